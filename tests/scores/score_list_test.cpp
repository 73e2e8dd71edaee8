// parseScoreList against the server's own list writer, and where it stops.
#include "scores/score_list.h"

#include <gtest/gtest.h>

#include "server/score_rules.h"

TEST(ScoreListTest, TheServersListReadsBackAsWritten) {
    const std::vector<ScoreRecord> written = {
        {"ANNA", 52},
        {"Zo\xC3\xAB", 0},
        {"a b~!?", 4294967295u},
        {"\xF0\x9F\x98\x80"
         "ABCDEF",
         7},  // a pair of units and six more: eight in all
        {"12345678", 100},
        {"\xE2\x82\xAC%&=+", 99},
    };
    const std::vector<ScoreListRecord> expected = {
        {u"ANNA", 52},      {u"Zo\u00EB", 0},    {u"a b~!?", 4294967295u}, {u"\U0001F600ABCDEF", 7},
        {u"12345678", 100}, {u"\u20AC%&=+", 99},
    };
    for (const ScoreRecord& record : written) ASSERT_TRUE(validName(record.name)) << record.name;
    const std::string reply = formatList(written);
    const ScoreList list = parseScoreList(reply, 100);
    EXPECT_EQ(list.records, expected);
    EXPECT_EQ(list.stoppedAt, reply.size());
}

TEST(ScoreListTest, ParsingStopsAtTheFirstRecordItCannotTake) {
    // A name of more than eight units, counted as UTF-16 (here a pair and seven more).
    ScoreList list = parseScoreList(
        "xx;A,1;\xF0\x9F\x98\x80"
        "ABCDEFG,2;C,3",
        100);
    EXPECT_EQ(list.records, (std::vector<ScoreListRecord>{{u"A", 1}}));
    EXPECT_EQ(list.stoppedAt, 6u);
    // A ';' with no ',' after it.
    list = parseScoreList(";A,1;B", 100);
    EXPECT_EQ(list.records, (std::vector<ScoreListRecord>{{u"A", 1}}));
    EXPECT_EQ(list.stoppedAt, 4u);
    // The records asked for are all taken.
    list = parseScoreList(";A,1;B,2;C,3", 2);
    EXPECT_EQ(list.records, (std::vector<ScoreListRecord>{{u"A", 1}, {u"B", 2}}));
    EXPECT_EQ(list.stoppedAt, 8u);
    // No record at all; and a name runs to the next ',' whatever it holds.
    list = parseScoreList("no records", 100);
    EXPECT_TRUE(list.records.empty());
    EXPECT_EQ(list.stoppedAt, 10u);
    list = parseScoreList(";a;b,5", 100);
    EXPECT_EQ(list.records, (std::vector<ScoreListRecord>{{u"a;b", 5}}));
    EXPECT_EQ(list.stoppedAt, 6u);
}
