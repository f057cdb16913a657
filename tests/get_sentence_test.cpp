// Reading the sentence out of an answer.
#include "shiori_event.h"

#include <gtest/gtest.h>

namespace {

struct Sentence_Case {
    const char* name;
    std::string response;
    std::string expected;
};

void PrintTo(const Sentence_Case& c, std::ostream* os)
{
    *os << c.name;
}

class Get_Sentence : public ::testing::TestWithParam<Sentence_Case> {};

TEST_P(Get_Sentence, TakesTheFirstHeadersValue)
{
    EXPECT_EQ(get_sentence(GetParam().response), GetParam().expected);
}

const std::string OK = "SHIORI/2.0 200 OK\r\n";

INSTANTIATE_TEST_SUITE_P(
    Answers, Get_Sentence,
    ::testing::Values(
        Sentence_Case{"ValueBeforeCrLf", OK + "Sentence: Hello there\r\n\r\n", "Hello there"},
        Sentence_Case{"ShiftJisValue", OK + "Sentence: \x8f\x49\x97\xb9\r\n\r\n", "\x8f\x49\x97\xb9"},
        Sentence_Case{"EmptyValue", OK + "Sentence: \r\n\r\n", ""},
        Sentence_Case{"SpacesAreKept", OK + "Sentence:  two \r\n", " two "},
        Sentence_Case{"NoHeader", OK + "Sender: korvel\r\n\r\n", ""},
        Sentence_Case{"LowerCaseName", OK + "sentence: hi\r\n\r\n", ""},
        Sentence_Case{"NoSpaceAfterColon", OK + "Sentence:hi\r\n\r\n", ""},
        Sentence_Case{"FirstOfTwo", OK + "Sentence: one\r\nSentence: two\r\n\r\n", "one"},
        Sentence_Case{"InsideAnEarlierHeader", OK + "Note: Sentence: inner\r\nSentence: outer\r\n", "inner"},
        Sentence_Case{"RunsToTheEnd", OK + "Sentence: to the end", "to the end"},
        Sentence_Case{"NulBeforeTheHeader", OK + std::string("X\0", 2) + "Sentence: hidden\r\n", ""},
        Sentence_Case{"EmptyAnswer", "", ""},
        Sentence_Case{"BareLfEndsTheValue", OK + "Sentence: bare\nSender: x\r\n", "bare"},
        Sentence_Case{"LfRightAfterTheHeader", OK + "Sentence: \nrest\r\n", ""},
        Sentence_Case{"OnlyTheCrBeforeTheLfIsDropped", OK + "Sentence: a\r\r\n", "a\r"},
        Sentence_Case{"NulInValueStopsTheLfSearch", OK + std::string("Sentence: a\0b\r\n", 15),
                      std::string("a\0b\r\n", 5)},
        Sentence_Case{"HeaderAtTheVeryEnd", OK + "Sentence: ", ""}),
    [](const ::testing::TestParamInfo<Sentence_Case>& info) { return std::string(info.param.name); });

} // namespace
