// The checker's command line.
#include "check_options.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

bool parse(std::vector<const char*> arguments, Check_Options& options, std::string& error)
{
    arguments.insert(arguments.begin(), "tarnwhistle-check");
    return parse_check_options(static_cast<int>(arguments.size()), arguments.data(), options,
                               error);
}

TEST(Check_Options, DefaultsAreTheProgramsConversation)
{
    Check_Options options;
    std::string error;
    ASSERT_TRUE(parse({"korvel.dll"}, options, error)) << error;
    EXPECT_EQ(options.module, "korvel.dll");
    EXPECT_EQ(options.ticks, 3u);
    EXPECT_EQ(options.interval_ms, 0u);
    EXPECT_FALSE(options.dir_given);
    EXPECT_FALSE(options.json);
    EXPECT_EQ(options.slow_ms, 100u);
    EXPECT_EQ(options.timeout_ms, 10000u);
}

TEST(Check_Options, ReadsEveryOptionInBothForms)
{
    Check_Options options;
    std::string error;
    ASSERT_TRUE(parse({"--ticks", "7", "--interval=1000", "--dir", "C:\\m\\", "--json",
                       "--slow=5", "--timeout", "250", "--", "-odd name.dll"},
                      options, error))
        << error;
    EXPECT_EQ(options.ticks, 7u);
    EXPECT_EQ(options.interval_ms, 1000u);
    EXPECT_TRUE(options.dir_given);
    EXPECT_EQ(options.dir, "C:\\m\\");
    EXPECT_TRUE(options.json);
    EXPECT_EQ(options.slow_ms, 5u);
    EXPECT_EQ(options.timeout_ms, 250u);
    EXPECT_EQ(options.module, "-odd name.dll");
}

TEST(Check_Options, AnEmptyDirectoryTextIsGiven)
{
    Check_Options options;
    std::string error;
    ASSERT_TRUE(parse({"--dir=", "m.so"}, options, error)) << error;
    EXPECT_TRUE(options.dir_given);
    EXPECT_EQ(options.dir, "");
}

struct Usage_Case {
    const char* name;
    std::vector<const char*> arguments;
    const char* problem;
};

void PrintTo(const Usage_Case& c, std::ostream* os)
{
    *os << c.name;
}

class Bad_Usage : public ::testing::TestWithParam<Usage_Case> {};

TEST_P(Bad_Usage, IsRefusedNamingTheProblem)
{
    Check_Options options;
    std::string error;
    EXPECT_FALSE(parse(GetParam().arguments, options, error));
    EXPECT_NE(error.find(GetParam().problem), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, Bad_Usage,
    ::testing::Values(
        Usage_Case{"NoModule", {}, "no module"},
        Usage_Case{"OnlyOptions", {"--json"}, "no module"},
        Usage_Case{"UnknownOption", {"--fast", "m.so"}, "unknown option \"--fast\""},
        Usage_Case{"NonNumericTicks", {"--ticks", "three", "m.so"}, "--ticks"},
        Usage_Case{"NegativeInterval", {"--interval=-1", "m.so"}, "--interval"},
        Usage_Case{"TrailingJunk", {"--slow", "10ms", "m.so"}, "--slow"},
        Usage_Case{"HugeCount", {"--ticks", "99999999999999999999", "m.so"}, "--ticks"},
        Usage_Case{"ZeroTimeout", {"--timeout", "0", "m.so"}, "--timeout"},
        Usage_Case{"MissingValue", {"m.so", "--ticks"}, "needs a value"},
        Usage_Case{"TwoModules", {"a.so", "b.so"}, "more than one module"}),
    [](const ::testing::TestParamInfo<Usage_Case>& info) { return std::string(info.param.name); });

} // namespace
