// The checker's reading of an answer: what breaks the rules and what only
// warns.
#include "answer_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

struct Rule_Case {
    const char* name;
    std::string answer;
    bool sentence_request;
    std::vector<std::string> ids;
};

void PrintTo(const Rule_Case& c, std::ostream* os)
{
    *os << c.name;
}

class Answer_Rules : public ::testing::TestWithParam<Rule_Case> {};

TEST_P(Answer_Rules, FindsExactlyTheseBreachesAndWarnings)
{
    Findings findings;
    check_answer(GetParam().answer, GetParam().sentence_request, findings);
    std::vector<std::string> ids;
    for (const Finding& finding : findings) {
        ids.push_back(finding.id);
        EXPECT_FALSE(finding.message.empty());
        bool warning = finding.id == "no-sentence";
        EXPECT_EQ(finding.severity, warning ? SEVERITY_WARNING : SEVERITY_BREACH) << finding.id;
    }
    EXPECT_EQ(ids, GetParam().ids);
}

const std::string NUL(1, '\0');

INSTANTIATE_TEST_SUITE_P(
    Answers, Answer_Rules,
    ::testing::Values(
        Rule_Case{"Clean", "SHIORI/2.0 200 OK\r\nSentence: hi\r\n\r\n", true, {}},
        Rule_Case{"CleanNoContent", "SHIORI/2.0 204 No Content\r\n\r\n", true, {}},
        Rule_Case{"CleanVersionAnswer", "SHIORI/2.0 200 OK\r\nID: x\r\n\r\n", false, {}},
        Rule_Case{"CleanShiftJisSentence", "SHIORI/2.2 200 OK\r\nSentence: \x82\xb1\x82\xf1\xb1\r\n\r\n", true, {}},
        Rule_Case{"Code311IsKnown", "SHIORI/2.6 311 Not Enough\r\n\r\n", true, {}},
        Rule_Case{"Empty", "", true, {"bad-status-line"}},
        Rule_Case{"WrongProtocol", "SHIORI/3.0 200 OK\r\nSentence: a\r\n\r\n", true, {"bad-status-line"}},
        Rule_Case{"NoReason", "SHIORI/2.0 200\r\nSentence: a\r\n\r\n", true, {"bad-status-line"}},
        Rule_Case{"TwoDigitCode", "SHIORI/2.0 20 OK\r\nSentence: a\r\n\r\n", true, {"bad-status-line"}},
        Rule_Case{"StatusLineWithBareLf", "SHIORI/2.0 200 OK\nSentence: a\r\n\r\n", true,
                  {"bad-status-line", "line-not-crlf"}},
        Rule_Case{"UnknownCode", "SHIORI/2.0 201 Created\r\n\r\n", true, {"unknown-status"}},
        Rule_Case{"BareLfInAHeader", "SHIORI/2.0 200 OK\r\nSentence: a\n\r\n", true, {"line-not-crlf"}},
        Rule_Case{"LoneCr", "SHIORI/2.0 200 OK\r\nSentence: a\rb\r\n\r\n", true, {"line-not-crlf"}},
        Rule_Case{"NoEmptyLine", "SHIORI/2.0 200 OK\r\nSentence: a\r\n", true, {"no-final-empty-line"}},
        Rule_Case{"LastLineUnended", "SHIORI/2.0 200 OK\r\nSentence: a", true,
                  {"line-not-crlf", "no-final-empty-line"}},
        Rule_Case{"NulInside", "SHIORI/2.0 200 OK\r\nSentence: a\r\nX: " + NUL + "\r\n\r\n", true,
                  {"nul-in-answer"}},
        Rule_Case{"SentenceWithLoneLeadByte", "SHIORI/2.0 200 OK\r\nSentence: a\x82\r\n\r\n", true,
                  {"sentence-not-shift-jis"}},
        Rule_Case{"SentenceWithBadTrailByte", "SHIORI/2.0 200 OK\r\nSentence: \x82\x20\r\n\r\n", true,
                  {"sentence-not-shift-jis"}},
        Rule_Case{"SentenceWithByteA0", "SHIORI/2.0 200 OK\r\nSentence: \xa0\r\n\r\n", true,
                  {"sentence-not-shift-jis"}},
        Rule_Case{"OkWithoutSentence", "SHIORI/2.2 200 OK\r\nSender: k\r\n\r\n", true, {"no-sentence"}},
        Rule_Case{"SentenceOnlyAfterANul", "SHIORI/2.2 200 OK\r\n" + NUL + "Sentence: a\r\n\r\n", true,
                  {"nul-in-answer", "no-sentence"}},
        Rule_Case{"NoSentenceIsFineFor204", "SHIORI/2.2 204 No Content\r\nSender: k\r\n\r\n", true, {}},
        Rule_Case{"NoSentenceIsFineForTheVersion", "SHIORI/2.0 200 OK\r\nSender: k\r\n\r\n", false, {}}),
    [](const ::testing::TestParamInfo<Rule_Case>& info) { return std::string(info.param.name); });

TEST(Status_Code, IsReadFromAWellFormedStatusLineOnly)
{
    EXPECT_EQ(status_code("SHIORI/2.0 200 OK\r\n"), 200);
    EXPECT_EQ(status_code("SHIORI/2.5 500 Internal Server Error\r\n\r\n"), 500);
    EXPECT_EQ(status_code("SHIORI/2.0 200 OK"), -1);
    EXPECT_EQ(status_code("SHIORI/2.x 200 OK\r\n"), -1);
    EXPECT_EQ(status_code(" SHIORI/2.0 200 OK\r\n"), -1);
}

} // namespace
