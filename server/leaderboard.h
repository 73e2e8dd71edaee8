// The leaderboard for people rather than the game: an HTML page readable on a phone and the
// same list as JSON, both from the records in the order the list reply gives them.
#pragma once
#include <string>
#include <vector>

#include "server/score_store.h"

// A page in the game's night-arcade look with one table row of rank, name, sittings and score
// per record; names are HTML-escaped. With an age of 0 or more the page says that the list is
// that many seconds old because the scores cannot be reached just now. `oneSitting`: the page
// of games played in one sitting (linking back to every game's; that one links to it).
// `anyPace`: the page of games at every pace, with a column of each game's pace.
std::string leaderboardHtml(const std::vector<ScoreRecord>& best, long ageSeconds = -1,
                            bool oneSitting = false, bool anyPace = false);

// [{"rank":1,"name":"...","score":N,"proven":B[,"replay":"/replays/ID"][,"sessions":N],
// "pace":P},...]; names are JSON-escaped. "sessions" is a proven row's sittings, where they
// are known; "pace" the percent of full pace the game was played at (100 for a plain row).
std::string leaderboardJson(const std::vector<ScoreRecord>& best);
