// What a watcher of the conversation sees: every step across the module's
// boundary, in order, with what was handed over and given back.
#include "test_support.h"

#include "clock.h"
#include "exchanges.h"
#include "shiori_event.h"
#include "shiori_module.h"

namespace {

struct Seen_Step {
    bool before;
    Shiori_Step step;
    std::string text;
    int result;
    bool answer_given;
    long length;
    std::string answer;
};

std::vector<Seen_Step> g_seen;

void record(bool before, const Shiori_Call& call)
{
    Seen_Step seen{before, call.step, std::string(), call.result, call.answer != nullptr,
                   call.length, std::string()};
    if (call.text != nullptr) {
        seen.text.assign(call.text, call.text_length);
    }
    if (!before && call.answer != nullptr && call.length > 0) {
        seen.answer.assign(static_cast<const char*>(GlobalLock(call.answer)),
                           static_cast<std::size_t>(call.length));
    }
    g_seen.push_back(seen);
}

void see_before(const Shiori_Call& call)
{
    record(true, call);
}

void see_after(const Shiori_Call& call)
{
    record(false, call);
}

class Watcher : public Program_Test {
protected:
    void SetUp() override
    {
        Program_Test::SetUp();
        g_seen.clear();
        g_shiori_watcher = Shiori_Watcher{see_before, see_after};
    }
};

TEST_F(Watcher, SeesEveryStepOfTheConversationAroundTheModulesCode)
{
    const std::string open_answer = answer_with_sentence("open");
    script(Module_Script().load_answers(5).answer("v").answer(open_answer).answer_null(3));
    const std::string file = module_path("korvel.dll");

    open_conversation(file.c_str(), "any text");
    std::string sentence;
    second_change(sentence);
    shutdown_exchange();

    const std::vector<Shiori_Step> steps = {STEP_LIBRARY, STEP_LOAD,    STEP_REQUEST, STEP_REQUEST,
                                            STEP_REQUEST, STEP_REQUEST, STEP_UNLOAD,  STEP_RELEASE};
    ASSERT_EQ(g_seen.size(), steps.size() * 2);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        EXPECT_TRUE(g_seen[2 * i].before);
        EXPECT_FALSE(g_seen[2 * i + 1].before);
        EXPECT_EQ(g_seen[2 * i].step, steps[i]) << i;
        EXPECT_EQ(g_seen[2 * i + 1].step, steps[i]) << i;
    }
    EXPECT_EQ(g_seen[0].text, file);
    EXPECT_EQ(g_seen[1].result, 1);
    EXPECT_EQ(g_seen[2].text, "any text");
    EXPECT_EQ(g_seen[3].result, 5) << "the module's own answer, not the program's reading";
    EXPECT_EQ(g_seen[4].text, version_request());
    EXPECT_EQ(g_seen[5].answer, "v");
    EXPECT_EQ(g_seen[6].text, sentence_request("OnTwOpen"));
    EXPECT_EQ(g_seen[7].answer, open_answer);
    EXPECT_EQ(g_seen[7].length, static_cast<long>(open_answer.size()));
    EXPECT_EQ(g_seen[8].text, sentence_request("OnSecondChange"));
    EXPECT_FALSE(g_seen[9].answer_given);
    EXPECT_EQ(g_seen[9].length, 3);
    EXPECT_EQ(g_seen[10].text, sentence_request("OnTwClose"));
    EXPECT_EQ(g_seen[15].result, 1);

    // The module itself got the same texts.
    std::vector<Module_Call> calls = module_calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls[0].bytes, "any text");
}

TEST_F(Watcher, SeesALibraryThatDoesNotLoadAndNothingMore)
{
    open_conversation(module_path("no-such-module.so").c_str(), "d");
    shutdown_exchange();
    ASSERT_EQ(g_seen.size(), 2u);
    EXPECT_EQ(g_seen[1].step, STEP_LIBRARY);
    EXPECT_EQ(g_seen[1].result, 0);
}

} // namespace
