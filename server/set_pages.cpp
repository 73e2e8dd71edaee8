// The level sets' pages and JSON.
#include "server/set_pages.h"

#include <cstdio>
#include <ctime>

#include "server/escaping.h"
#include "server/leaderboard.h"

namespace {

std::string utcTime(int64_t seconds, const char* format) {
    const std::time_t at = static_cast<std::time_t>(seconds);
    std::tm parts{};
    gmtime_r(&at, &parts);
    char text[32];
    std::strftime(text, sizeof text, format, &parts);
    return text;
}

// The leaderboard's look (its head up to the title), so that both read as one site.
std::string pageHead(const std::string& title) {
    std::string page = leaderboardHtml({});
    const size_t title1 = page.find("<title>");
    const size_t title2 = page.find("</title>");
    const size_t heading = page.find("<h1>");
    if (title1 == std::string::npos || title2 == std::string::npos || heading == std::string::npos)
        return page;
    return page.substr(0, title1) + "<title>Vextorium2 - " + escapeHtml(title) + "</title>" +
           page.substr(title2 + 8, heading - title2 - 8) + "<h1>" + escapeHtml(title) + "</h1>\n";
}

constexpr const char* kFoot = "</main>\n</body>\n</html>\n";

}  // namespace

std::string setsJson(const std::vector<LevelSetRow>& sets) {
    std::string json = "[";
    for (size_t i = 0; i < sets.size(); ++i) {
        if (i != 0) json += ',';
        json += "{\"id\":\"" + escapeJson(sets[i].id) + "\",\"name\":\"" +
                escapeJson(sets[i].name) + "\",\"published\":\"" +
                utcTime(sets[i].published, "%Y-%m-%dT%H:%M:%SZ") +
                "\",\"proven\":" + std::to_string(sets[i].provenGames) +
                ",\"best\":" + std::to_string(sets[i].best) + "}";
    }
    return json + "]";
}

std::string setsHtml(const std::vector<LevelSetRow>& sets) {
    std::string page = pageHead("Level sets");
    if (sets.empty()) {
        page += "<p>No level sets yet.</p>\n";
    } else {
        page +=
            "<table>\n<thead><tr><th class=\"name\">Name</th><th>Published</th>"
            "<th class=\"score\" title=\"Proven games\">Games</th><th class=\"score\">Best</th>"
            "</tr></thead>\n<tbody>\n";
        for (const LevelSetRow& set : sets) {
            const std::string id = escapeHtml(set.id);
            page += "<tr><td class=\"name\"><span>" + escapeHtml(set.name) + "</span><br>" +
                    "<a href=\"/?set=" + id + "\">Play</a> <a href=\"/scores?set=" + id +
                    "\">Board and watch</a> <a href=\"/edit.html?set=" + id +
                    "\">Edit a copy</a> <a href=\"/sets/" + id + "\">File</a></td><td>" +
                    utcTime(set.published, "%Y-%m-%d") + "</td><td class=\"score\">" +
                    std::to_string(set.provenGames) + "</td><td class=\"score\">" +
                    std::to_string(set.best) + "</td></tr>\n";
        }
        page += "</tbody>\n</table>\n";
    }
    return page + "<p><a href=\"/\">Play</a> &middot; <a href=\"/sets.json\">JSON</a> &middot; " +
           "<a href=\"/scores\">High scores</a></p>\n" + kFoot;
}

std::string setBoardHtml(const std::string& id, const std::string& name,
                         const std::vector<ScoreRecord>& best) {
    // The built-in board's table, with the set named on the watch links and in the foot.
    std::string page = leaderboardHtml(best);
    const std::string escapedId = escapeHtml(id);
    for (size_t at = 0; (at = page.find("/watch.html?game=", at)) != std::string::npos;) {
        page.insert(at + 12, "set=" + escapedId + "&amp;");
        at += 17;
    }
    const size_t heading = page.find("</h1>");
    if (heading != std::string::npos)
        page.insert(heading + 6, "<p>Level set <span>" + escapeHtml(name) + "</span></p>\n");
    const size_t foot = page.rfind("<p><a href=\"/\">");
    if (foot != std::string::npos)
        page = page.substr(0, foot) + "<p><a href=\"/?set=" + escapedId +
               "\">Play this set</a> &middot; <a href=\"/scores.json?set=" + escapedId +
               "\">JSON</a> &middot; <a href=\"/sets\">Level sets</a></p>\n" + kFoot;
    return page;
}
