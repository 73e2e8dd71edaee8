// The score server's rules for names and scores, and its list format.
#include "server/score_rules.h"

#include <gtest/gtest.h>

TEST(ScoreRulesTest, NamesAreOneToEightPrintableCharacters) {
    EXPECT_TRUE(validName("A"));
    EXPECT_TRUE(validName("ABCDEFGH"));
    EXPECT_TRUE(validName("A B-c.9"));
    EXPECT_TRUE(validName("Zo\xC3\xAB"));                        // Zoë
    EXPECT_TRUE(validName("\xF0\x9F\x98\x80\xF0\x9F\x98\x80"));  // two characters of two units
    EXPECT_FALSE(validName(""));
    EXPECT_FALSE(validName("ABCDEFGHI"));
    EXPECT_FALSE(
        validName("\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"));
    EXPECT_TRUE(validName("xxxxx\xF0\x9F\x98\x80y"));    // 5 + 2 + 1 = 8 units
    EXPECT_FALSE(validName("xxxxxx\xF0\x9F\x98\x80y"));  // 9 units
    EXPECT_FALSE(validName("A;B"));                      // the list's separators
    EXPECT_FALSE(validName("A,B"));
    EXPECT_FALSE(validName("A\tB"));
    EXPECT_FALSE(validName(std::string("A\0B", 3)));
    EXPECT_FALSE(validName("A\x7F"));
    EXPECT_FALSE(validName("\xC2\x85"));      // a C1 control
    EXPECT_FALSE(validName("\xFF"));          // not UTF-8
    EXPECT_FALSE(validName("\xC3"));          // cut short
    EXPECT_FALSE(validName("\xC0\xC1"));      // overlong
    EXPECT_FALSE(validName("\xED\xA0\x80"));  // a surrogate
}

TEST(ScoreRulesTest, BlankAndDisguisedNamesAreRefusedAndTheGamesOwnNamesKept) {
    // The game's name entry: digits, A to Z and a space, up to 8 of them.
    const std::string grid = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ ";
    for (const char c : grid) {
        EXPECT_EQ(validName(std::string(1, c)), c != ' ') << c;
        EXPECT_EQ(validName(std::string(" ") + c + "      "), c != ' ') << c;
    }
    EXPECT_TRUE(validName("AB CD 12"));
    EXPECT_FALSE(validName("        "));  // spaces alone would be a blank line in the list
    EXPECT_FALSE(validName("\xC2\xA0"));  // a no-break space alone
    EXPECT_FALSE(validName("\xE3\x80\x80\xE3\x80\x80"));  // ideographic spaces

    // Letters of any script stay welcome, right-to-left ones too.
    EXPECT_TRUE(validName("\xE5\x90\x8D\xE5\x89\x8D"));  // 名前
    EXPECT_TRUE(validName("\xD8\xB9\xD9\x84\xD9\x8A"));  // علي
    EXPECT_TRUE(validName("\xC3\x96ZG\xC3\x9CR"));       // ÖZGÜR

    // Written as UTF-8 by the compiler.
    for (const char* disguised : {
             "A\u200B",    // a zero-width space after a letter
             "\u200B",     // and alone
             "\u202EABC",  // a right-to-left override turning the rest around
             "\u2066AB",   // a directional isolate
             "\uFEFFAB",   // a byte order mark
             "A\uE000",    // private use
             "A\u0378",    // unassigned
             "A\uFFFF",    // a noncharacter
             "A\u2028B",   // a line separator
         })
        EXPECT_FALSE(validName(disguised)) << disguised;
}

TEST(ScoreRulesTest, ScoresAreUnsignedThirtyTwoBitDecimals) {
    EXPECT_EQ(parseScore("0"), 0u);
    EXPECT_EQ(parseScore("1234"), 1234u);
    EXPECT_EQ(parseScore("4294967295"), 4294967295u);
    EXPECT_EQ(parseScore("0000000042"), 42u);
    EXPECT_FALSE(parseScore("4294967296"));
    EXPECT_FALSE(parseScore("99999999999"));
    EXPECT_FALSE(parseScore(""));
    EXPECT_FALSE(parseScore("-1"));
    EXPECT_FALSE(parseScore("+1"));
    EXPECT_FALSE(parseScore(" 1"));
    EXPECT_FALSE(parseScore("12a"));
}

TEST(ScoreRulesTest, ListIsSemicolonNameCommaScore) {
    EXPECT_EQ(formatList({}), "");
    EXPECT_EQ(formatList({{"ANNA", 52}, {"BOB", 41}}), ";ANNA,52;BOB,41");
}

TEST(ScoreRulesTest, AnUploadMayCarryOneIdOfUpToSixtyFourSafeCharacters) {
    using Params = std::multimap<std::string, std::string>;
    const auto decide = [](const Params& params) { return decideScoreRequest(true, params); };
    const ScoreRequest plain = decide({{"myname", "AB"}, {"myscore", "7"}});
    EXPECT_EQ(plain.kind, ScoreRequest::Kind::Upload);
    EXPECT_EQ(plain.uploadId, "");

    const std::string longest = "09azAZ_-" + std::string(56, 'f');
    const ScoreRequest withId = decide({{"myname", "AB"}, {"myscore", "7"}, {"myid", longest}});
    EXPECT_EQ(withId.kind, ScoreRequest::Kind::Upload);
    EXPECT_EQ(withId.name, "AB");
    EXPECT_EQ(withId.score, 7u);
    EXPECT_EQ(withId.uploadId, longest);

    for (const std::string& bad : {std::string(), longest + "f", std::string("a b"),
                                   std::string("a.b"), std::string("a%2"), std::string("\xC3\xA9")})
        EXPECT_EQ(decide({{"myname", "AB"}, {"myscore", "7"}, {"myid", bad}}).kind,
                  ScoreRequest::Kind::Refused)
            << bad;
    EXPECT_EQ(decide({{"myname", "AB"}, {"myscore", "7"}, {"myid", "a"}, {"myid", "a"}}).kind,
              ScoreRequest::Kind::Refused);
    EXPECT_EQ(decide({{"myname", "AB"}, {"myid", "a"}}).kind, ScoreRequest::Kind::Refused);
    EXPECT_EQ(decide({{"myname", "AB"}, {"myscore", "7"}, {"myid", "a"}, {"x", "1"}}).kind,
              ScoreRequest::Kind::Refused);
}
