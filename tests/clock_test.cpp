// The clock line.
#include "clock.h"

#include <gtest/gtest.h>

#include <limits>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

class Clock : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* tz = std::getenv("TZ");
        had_tz_ = tz != nullptr;
        old_tz_ = had_tz_ ? tz : "";
        setenv("TZ", "UTC0", 1);
        tzset();
        std::memset(g_clock_text, 0, sizeof g_clock_text);
    }
    void TearDown() override
    {
        if (had_tz_) {
            setenv("TZ", old_tz_.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

    bool had_tz_ = false;
    std::string old_tz_;
};

struct Clock_Case {
    const char* name;
    std::time_t utc;
    std::string expected;
};

void PrintTo(const Clock_Case& c, std::ostream* os)
{
    *os << c.name;
}

class Clock_Text : public Clock, public ::testing::WithParamInterface<Clock_Case> {};

TEST_P(Clock_Text, IsTheJapaneseNotationFilledWithBlanks)
{
    update_clock_at(GetParam().utc);
    EXPECT_EQ(std::string(g_clock_text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Dates, Clock_Text,
    ::testing::Values(
        // 2024年1月 5日  7時 8分 9秒: 26 bytes.
        Clock_Case{"SingleDigits", 1704438489,
                   "2024\x94\x4e" "1\x8c\x8e" " 5\x93\xfa" "  7\x8e\x9e" " 8\x95\xaa" " 9\x95\x62"},
        // 2023年12月31日 23時59分59秒: 27 bytes.
        Clock_Case{"DoubleDigits", 1704067199,
                   "2023\x94\x4e" "12\x8c\x8e" "31\x93\xfa" " 23\x8e\x9e" "59\x95\xaa" "59\x95\x62"}),
    [](const ::testing::TestParamInfo<Clock_Case>& info) { return std::string(info.param.name); });

TEST_F(Clock, TheTwoDatesTake26And27Bytes)
{
    update_clock_at(1704438489);
    EXPECT_EQ(std::strlen(g_clock_text), 26u);
    update_clock_at(1704067199);
    EXPECT_EQ(std::strlen(g_clock_text), 27u);
}

TEST_F(Clock, KeepsItsTextWhenTheTimeHasNoLocalTime)
{
    update_clock_at(1704067199);
    std::string before = g_clock_text;
    update_clock_at(std::numeric_limits<std::time_t>::max());
    EXPECT_EQ(std::string(g_clock_text), before);
}

TEST_F(Clock, UpdateClockWritesTheCurrentYear)
{
    std::time_t now = std::time(nullptr);
    int year = std::gmtime(&now)->tm_year + 1900;
    update_clock();
    std::string text = g_clock_text;
    // Right after a new year's midnight the two may differ by one.
    std::string prefix = text.substr(0, 4);
    EXPECT_TRUE(prefix == std::to_string(year) || prefix == std::to_string(year - 1)) << text;
}

} // namespace
