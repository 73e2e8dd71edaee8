// The leaderboard page and its JSON form.
#include "server/leaderboard.h"

#include <cstdio>

#include "server/escaping.h"

namespace {

// Navy night sky with a faint grid, gold title, white names, hint-blue headings: the colours
// of the game's screens, in a monospaced face at a size a thumb can read.
constexpr const char* kPageHead = R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Vextorium2 - High scores</title>
<style>
html{background:#0A0E2A}
body{margin:0;min-height:100vh;color:#FFFFFF;font:bold 16px/1.5 "DejaVu Sans Mono",monospace;
background-color:#0A0E2A;background-image:linear-gradient(#141A44 1px,transparent 1px),
linear-gradient(90deg,#141A44 1px,transparent 1px);background-size:16px 16px}
main{max-width:24em;margin:0 auto;padding:1em 0.75em}
h1{color:#FFD040;text-align:center;text-transform:uppercase;letter-spacing:0.1em;
font-size:1.5em;margin:0.5em 0 0.75em;text-shadow:2px 2px 0 #000000}
table{width:100%;border-collapse:collapse;background:#141A44;border:2px solid #1F2766}
th{color:#8090D0;text-transform:uppercase;font-size:0.8em;padding:0.4em 0.5em;
border-bottom:2px solid #1F2766}
td{padding:0.3em 0.5em;white-space:pre}
tr:nth-child(even) td{background:#1F2766}
tr:first-child td{color:#FFD040}
.rank,.score{text-align:right;font-variant-numeric:tabular-nums}
.name{text-align:left;width:100%}
.unproven{color:#8090D0;font-size:0.7em}
.sittings,.pace{text-align:right;color:#8090D0}
p{text-align:center;color:#8090D0}
a{color:#FFD040}
</style>
</head>
<body>
<main>
<h1>High scores</h1>
)";

constexpr const char* kPageFoot =
    R"(<p><a href="/">Play</a> &middot; <a href="/scores.json">JSON</a> &middot;
<a href="/scores?sessions=1">One sitting only</a> &middot;
<a href="/scores?pace=any">Every pace</a></p>
</main>
</body>
</html>
)";

constexpr const char* kOneSittingFoot =
    R"(<p><a href="/">Play</a> &middot; <a href="/scores.json?sessions=1">JSON</a> &middot;
<a href="/scores">Every game</a></p>
</main>
</body>
</html>
)";

constexpr const char* kAnyPaceFoot =
    R"(<p><a href="/">Play</a> &middot; <a href="/scores.json?pace=any">JSON</a> &middot;
<a href="/scores">Full pace only</a></p>
</main>
</body>
</html>
)";

// A saved game continued later keeps its score and finds its level whole again: its sittings
// are shown beside the score, blank where nothing backs the score or the count is not known.
std::string sittingsCell(const ScoreRecord& record) {
    return "<td class=\"sittings\">" +
           (record.proven && record.sessions > 0 ? std::to_string(record.sessions) : "") + "</td>";
}

}  // namespace

std::string leaderboardHtml(const std::vector<ScoreRecord>& best, long ageSeconds, bool oneSitting,
                            bool anyPace) {
    std::string page = kPageHead;
    if (oneSitting) page += "<p>Games played in one sitting</p>\n";
    if (anyPace) page += "<p>Games played at every pace</p>\n";
    if (ageSeconds >= 0)
        page +=
            "<p class=\"age\">The scores cannot be reached just now: this is the list as it "
            "stood " +
            std::to_string(ageSeconds) + (ageSeconds == 1 ? " second" : " seconds") + " ago.</p>\n";
    if (best.empty()) {
        page += "<p>No scores yet.</p>\n";
    } else {
        page +=
            "<table>\n<thead><tr><th class=\"rank\">#</th><th class=\"name\">Name</th>"
            "<th class=\"sittings\" title=\"Sittings: how many times the game was continued "
            "from its saved state, plus one\">Sittings</th>" +
            std::string(anyPace ? "<th class=\"pace\" title=\"The percent of full pace the game "
                                  "was played at\">Pace</th>"
                                : "") +
            "<th class=\"score\">Score</th></tr></thead>\n<tbody>\n";
        for (size_t i = 0; i < best.size(); ++i) {
            // A proven score links to the page that plays its game back (from /replays/ID); a
            // plain upload (listed only with --accept-unproven) says that nothing backs it.
            const std::string score = std::to_string(best[i].score);
            page +=
                "<tr><td class=\"rank\">" + std::to_string(i + 1) + "</td><td class=\"name\">" +
                "<span>" + escapeHtml(best[i].name) + "</span>" +
                (best[i].proven ? "" : " <small class=\"unproven\">unproven</small>") + "</td>" +
                sittingsCell(best[i]) +
                (anyPace ? "<td class=\"pace\">" + std::to_string(best[i].pace) + "%</td>" : "") +
                "<td class=\"score\">" +
                (best[i].proven && !best[i].replay.empty()
                     ? "<a href=\"/watch.html?game=" + escapeHtml(best[i].replay) + "\">" + score +
                           "</a>"
                     : score) +
                "</td></tr>\n";
        }
        page += "</tbody>\n</table>\n";
    }
    return page + (anyPace ? kAnyPaceFoot : oneSitting ? kOneSittingFoot : kPageFoot);
}

std::string leaderboardJson(const std::vector<ScoreRecord>& best) {
    std::string json = "[";
    for (size_t i = 0; i < best.size(); ++i) {
        if (i != 0) json += ',';
        json += "{\"rank\":" + std::to_string(i + 1) + ",\"name\":\"" + escapeJson(best[i].name) +
                "\",\"score\":" + std::to_string(best[i].score) +
                ",\"proven\":" + (best[i].proven ? "true" : "false") +
                (best[i].proven && !best[i].replay.empty()
                     ? ",\"replay\":\"/replays/" + escapeJson(best[i].replay) + "\""
                     : "") +
                (best[i].proven && best[i].sessions > 0
                     ? ",\"sessions\":" + std::to_string(best[i].sessions)
                     : "") +
                ",\"pace\":" + std::to_string(best[i].pace) + "}";
    }
    return json + "]";
}
