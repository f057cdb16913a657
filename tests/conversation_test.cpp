// The whole conversation with "korvel.dll", as the recording module sees it.
#include "test_support.h"

#include "clock.h"
#include "exchanges.h"
#include "main_window.h"
#include "shiori_event.h"
#include "shiori_module.h"

#include <unistd.h>

namespace {

std::string executable_dir()
{
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    std::string exe(path, n > 0 ? static_cast<std::size_t>(n) : 0);
    return exe.substr(0, exe.rfind('/') + 1);
}

class Conversation : public Program_Test, public ::testing::WithParamInterface<int> {};

TEST_P(Conversation, RunsInOrderWhateverLoadAnswered)
{
    script(Module_Script()
               .load_answers(GetParam())
               .answer("SHIORI/2.0 200 OK\r\nSentence: version\r\n\r\n")
               .answer(answer_with_sentence("open"))
               .answer(answer_with_sentence("first"))
               .answer(answer_with_sentence("second"))
               .answer(answer_with_sentence("close")));
    // A name left over must not reach the version request.
    g_event.names[0] = "Leftover";

    startup_exchange();
    EXPECT_EQ(g_initdata.module_dir, executable_dir());
    EXPECT_EQ(g_event.names[0], "OnTwOpen");
    EXPECT_EQ(g_sentence, "") << "answers of the start-up are never shown";

    second_change(g_sentence);
    EXPECT_EQ(g_event.names[0], "OnSecondChange");
    EXPECT_EQ(g_sentence, "first");
    second_change(g_sentence);
    EXPECT_EQ(g_sentence, "second");

    shutdown_exchange();
    EXPECT_EQ(g_event.names[0], "OnTwClose");
    EXPECT_EQ(g_sentence, "second");

    std::vector<Module_Call> calls = module_calls();
    ASSERT_EQ(calls.size(), 7u);
    EXPECT_EQ(calls[0].name, "load");
    EXPECT_EQ(calls[0].bytes, executable_dir());
    const std::vector<std::string> expected = {
        version_request(), sentence_request("OnTwOpen"), sentence_request("OnSecondChange"),
        sentence_request("OnSecondChange"), sentence_request("OnTwClose")};
    EXPECT_EQ(module_requests(), expected);
    EXPECT_EQ(calls[6].name, "unload");
}

INSTANTIATE_TEST_SUITE_P(LoadAnswers, Conversation, ::testing::Values(1, 0));

struct Second_Change_Case {
    const char* name;
    std::string answer;
    std::string stored;
};

void PrintTo(const Second_Change_Case& c, std::ostream* os)
{
    *os << c.name;
}

class Second_Change : public Program_Test, public ::testing::WithParamInterface<Second_Change_Case> {};

TEST_P(Second_Change, StoresTheFirstSentenceOrEmpty)
{
    script(Module_Script().answer(GetParam().answer));
    ASSERT_EQ(g_shiori.load(module_path("korvel.dll").c_str(), "dir"), 1);
    std::string out = "what was shown before";
    second_change(out);
    EXPECT_EQ(out, GetParam().stored);
    EXPECT_EQ(module_requests(), std::vector<std::string>{sentence_request("OnSecondChange")});
}

INSTANTIATE_TEST_SUITE_P(
    Answers, Second_Change,
    ::testing::Values(
        Second_Change_Case{"Sentence", answer_with_sentence("hello"), "hello"},
        Second_Change_Case{"FirstOfTwo", "SHIORI/2.0 200 OK\r\nSentence: a\r\nSentence: b\r\n\r\n", "a"},
        Second_Change_Case{"NoSentence", "SHIORI/2.0 204 No Content\r\n\r\n", ""},
        Second_Change_Case{"EmptyAnswer", "", ""}),
    [](const ::testing::TestParamInfo<Second_Change_Case>& info) { return std::string(info.param.name); });

} // namespace
