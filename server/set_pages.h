// The level sets for people: the page of the published sets (with links to play each, see its
// board and the games on it, and edit a copy), the same as JSON, and the page of one set's board.
#pragma once
#include <string>
#include <vector>

#include "server/score_store.h"

// [{"id":"...","name":"...","published":"2026-12-08T19:30:00Z","proven":N,"best":N},...]
std::string setsJson(const std::vector<LevelSetRow>& sets);
std::string setsHtml(const std::vector<LevelSetRow>& sets);

// The board of the set `id` named `name`: its proven games, best first, each linked to the
// watch page with the set.
std::string setBoardHtml(const std::string& id, const std::string& name,
                         const std::vector<ScoreRecord>& best);
