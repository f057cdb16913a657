// The window procedure: its message table, the tick, creation and the close.
#include "window_test_support.h"

#include "clock.h"
#include "shiori_event.h"

#include <cstring>

namespace {

typedef std::vector<std::string> Names;

// ---- the message table ------------------------------------------------------

class Own_Message : public Window_Test, public ::testing::WithParamInterface<UINT> {};

TEST_P(Own_Message, ReturnsZeroWithoutTheDefaultHandling)
{
    g_window_double.default_result = 77;
    EXPECT_EQ(send(GetParam()), 0);
    EXPECT_TRUE(calls_named("DefWindowProcA").empty());
}

INSTANTIATE_TEST_SUITE_P(Messages, Own_Message,
                         ::testing::Values(WM_CREATE, WM_TIMER, WM_PAINT, WM_CLOSE, WM_COMMAND,
                                           WM_DESTROY));

struct Other_Message_Case {
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
};

void PrintTo(const Other_Message_Case& c, std::ostream* os)
{
    *os << "message " << c.message;
}

class Other_Message : public Window_Test, public ::testing::WithParamInterface<Other_Message_Case> {};

TEST_P(Other_Message, GoesUnchangedToTheDefaultHandlingAndItsResultIsReturned)
{
    const Other_Message_Case& c = GetParam();
    g_window_double.default_result = -12345;
    EXPECT_EQ(send(c.message, c.wparam, c.lparam), -12345);

    ASSERT_EQ(calls(), Names{"DefWindowProcA"});
    EXPECT_EQ(calls_named("DefWindowProcA")[0].args,
              (std::vector<long long>{handle(double_window()), c.message,
                                      static_cast<long long>(c.wparam), c.lparam}));
}

INSTANTIATE_TEST_SUITE_P(Messages, Other_Message,
                         ::testing::Values(Other_Message_Case{0x0005, 1, 0x00C80190},  // size
                                           Other_Message_Case{0x0014, 0x2000, 0},     // erase
                                           Other_Message_Case{0x0084, 0, -1},         // hit test
                                           Other_Message_Case{0x0011, 0, 0x80000000}, // end of session query
                                           Other_Message_Case{0x8005, 0xFFFFFFFF, 42}));

TEST_F(Window_Test, DestroyPostsQuitWithZero)
{
    EXPECT_EQ(send(WM_DESTROY), 0);
    EXPECT_EQ(calls(), Names{"PostQuitMessage"});
    EXPECT_EQ(calls_named("PostQuitMessage")[0].args, std::vector<long long>{0});
}

// ---- the tick -----------------------------------------------------------------

class Tick : public Window_Test, public ::testing::WithParamInterface<WPARAM> {};

TEST_P(Tick, StopsUpdatesSendsInvalidatesAndRestartsInThisOrder)
{
    bind_module(Module_Script().answer(answer_with_sentence("tick")));
    std::vector<std::string> seen;
    g_window_double.on_call = [&](const Double_Call& call) {
        bool clock = g_clock_text[0] != '\0';
        int sent = requests_for("OnSecondChange");
        seen.push_back(call.name + (clock ? " clock" : "") + (sent > 0 ? " sent" : "") +
                       (g_sentence == "tick" ? " stored" : ""));
    };

    EXPECT_EQ(send(WM_TIMER, GetParam()), 0);

    EXPECT_EQ(seen, (Names{"KillTimer", "InvalidateRect clock sent stored",
                           "SetTimer clock sent stored"}));
    const long long window = handle(double_window());
    EXPECT_EQ(calls_named("KillTimer")[0].args, (std::vector<long long>{window, 0x7FFF}));
    EXPECT_EQ(calls_named("InvalidateRect")[0].args, (std::vector<long long>{window, 0, FALSE}));
    EXPECT_EQ(calls_named("SetTimer")[0].args, (std::vector<long long>{window, 0x7FFF, 1000, 0}));
    EXPECT_EQ(g_event.names[0], "OnSecondChange");
}

// Every timer message is a tick, whatever its identifier.
INSTANTIATE_TEST_SUITE_P(TimerIds, Tick, ::testing::Values(TIMER_ID, 0, 1, 0xFFFFFFFF));

TEST_F(Window_Test, ATickWhoseTimerFailsToRestartSaysSoAndNoTimerRuns)
{
    bind_module(Module_Script());
    g_window_double.set_timer_results = {false};
    send(WM_TIMER, TIMER_ID);

    EXPECT_EQ(calls(), (Names{"KillTimer", "InvalidateRect", "SetTimer", "MessageBoxA"}));
    const Double_Call box = calls_named("MessageBoxA")[0];
    EXPECT_EQ(box.args, (std::vector<long long>{handle(double_window()), MB_OK}));
    EXPECT_EQ(box.text, TIMER_FAILED_TEXT);
    EXPECT_EQ(box.caption, TIMER_FAILED_CAPTION);
    EXPECT_FALSE(g_window_double.timer_running) << "no tick can follow";
}

// ---- creation -------------------------------------------------------------------

TEST_F(Window_Test, CreationSetsTheTimerBeforeTheStartUpExchange)
{
    script(Module_Script());
    std::size_t module_calls_at_timer = 99;
    g_window_double.on_call = [&](const Double_Call& call) {
        if (call.name == "SetTimer") {
            module_calls_at_timer = module_calls().size();
        }
    };
    EXPECT_EQ(send(WM_CREATE), 0);

    EXPECT_EQ(calls(), Names{"SetTimer"});
    EXPECT_EQ(calls_named("SetTimer")[0].args,
              (std::vector<long long>{handle(double_window()), 0x7FFF, 1000, 0}));
    EXPECT_EQ(module_calls_at_timer, 0u);
    EXPECT_EQ(module_requests(), (Names{version_request(), sentence_request("OnTwOpen")}));
}

TEST_F(Window_Test, ATimerThatFailsAtCreationIsReportedBeforeTheStartUpExchangeWhichStillRuns)
{
    script(Module_Script());
    g_window_double.set_timer_results = {false};
    std::size_t module_calls_at_box = 99;
    g_window_double.on_call = [&](const Double_Call& call) {
        if (call.name == "MessageBoxA") {
            module_calls_at_box = module_calls().size();
        }
    };
    send(WM_CREATE);

    EXPECT_EQ(calls(), (Names{"SetTimer", "MessageBoxA"}));
    const Double_Call box = calls_named("MessageBoxA")[0];
    EXPECT_EQ(box.args, (std::vector<long long>{handle(double_window()), MB_OK}));
    EXPECT_EQ(box.text, TIMER_FAILED_TEXT);
    EXPECT_EQ(box.caption, TIMER_FAILED_CAPTION);
    EXPECT_EQ(module_calls_at_box, 0u);
    ASSERT_EQ(module_calls().size(), 3u);
    EXPECT_EQ(module_calls()[0].name, "load");
}

// ---- the close ----------------------------------------------------------------

TEST_F(Window_Test, YesStopsTheTimerThenShutsDownThenDestroys)
{
    bind_module(Module_Script());
    g_window_double.boxes = {Box_Script{IDYES, {}}};
    std::vector<std::string> seen;
    g_window_double.on_call = [&](const Double_Call& call) {
        seen.push_back(call.name + (requests_for("OnTwClose") > 0 ? " closed" : "") +
                       (module_unloaded() ? " unloaded" : ""));
    };

    EXPECT_EQ(send(WM_CLOSE), 0);

    EXPECT_EQ(seen, (Names{"MessageBoxA", "KillTimer", "DestroyWindow closed unloaded",
                           "PostQuitMessage closed unloaded"}));
    const Double_Call box = calls_named("MessageBoxA")[0];
    EXPECT_EQ(box.args, (std::vector<long long>{handle(double_window()), 0x24}));
    EXPECT_EQ(box.text, CLOSE_QUESTION_TEXT);
    EXPECT_EQ(box.caption, CLOSE_QUESTION_CAPTION);
    EXPECT_EQ(calls_named("KillTimer")[0].args,
              (std::vector<long long>{handle(double_window()), 0x7FFF}));
    EXPECT_EQ(calls_named("PostQuitMessage")[0].args, std::vector<long long>{0});
    EXPECT_TRUE(calls_named("DefWindowProcA").empty());
}

class Not_Yes : public Window_Test, public ::testing::WithParamInterface<int> {};

TEST_P(Not_Yes, ChangesNothing)
{
    bind_module(Module_Script());
    g_window_double.boxes = {Box_Script{GetParam(), {}}};
    send(WM_CLOSE);

    EXPECT_EQ(calls(), Names{"MessageBoxA"});
    EXPECT_TRUE(g_window_double.timer_running);
    EXPECT_TRUE(g_window_double.window_alive);
    EXPECT_EQ(requests_for("OnTwClose"), 0);
    EXPECT_FALSE(module_unloaded());
}

// No, a failed box (0), and the other buttons.
INSTANTIATE_TEST_SUITE_P(Answers, Not_Yes, ::testing::Values(IDNO, 0, IDOK, 2));

TEST_F(Window_Test, TicksWhileTheQuestionIsShownStillReachTheModule)
{
    bind_module(Module_Script()
                    .answer(answer_with_sentence("one"))
                    .answer(answer_with_sentence("two"))
                    .answer(answer_with_sentence("three")));
    g_window_double.boxes = {Box_Script{IDNO, {make_msg(WM_TIMER, TIMER_ID), make_msg(WM_TIMER, TIMER_ID)}},
                             Box_Script{IDYES, {make_msg(WM_TIMER, TIMER_ID)}}};

    send(WM_CLOSE);
    EXPECT_EQ(requests_for("OnSecondChange"), 2);
    EXPECT_EQ(g_sentence, "two");

    send(WM_CLOSE);
    EXPECT_EQ(g_sentence, "three");
    EXPECT_EQ(module_requests(), (Names{sentence_request("OnSecondChange"), sentence_request("OnSecondChange"),
                                        sentence_request("OnSecondChange"), sentence_request("OnTwClose")}));
    EXPECT_TRUE(module_unloaded());
}

// ---- the close command ----------------------------------------------------------

struct Command_Case {
    WPARAM wparam;
    LPARAM lparam;
    bool closes;
};

void PrintTo(const Command_Case& c, std::ostream* os)
{
    *os << "wParam " << c.wparam << " lParam " << c.lparam;
}

class Command : public Window_Test, public ::testing::WithParamInterface<Command_Case> {};

TEST_P(Command, OnlyTheCloseIdentifierInTheLowWordAsksToClose)
{
    const Command_Case& c = GetParam();
    g_window_double.boxes = {Box_Script{IDNO, {}}};
    EXPECT_EQ(send(WM_COMMAND, c.wparam, c.lparam), 0);

    if (c.closes) {
        EXPECT_EQ(calls(), (Names{"SendMessageA", "MessageBoxA"}));
        EXPECT_EQ(calls_named("SendMessageA")[0].args,
                  (std::vector<long long>{handle(double_window()), WM_CLOSE, 0, 0}));
        EXPECT_EQ(calls_named("MessageBoxA")[0].text, CLOSE_QUESTION_TEXT);
    } else {
        EXPECT_EQ(calls(), Names{});
    }
}

INSTANTIATE_TEST_SUITE_P(Commands, Command,
                         ::testing::Values(Command_Case{1000, 0, true},
                                           Command_Case{0x000103E8, 0x1234, true}, // accelerator
                                           Command_Case{0xFFFF03E8, -1, true},
                                           Command_Case{999, 0, false},
                                           Command_Case{1001, 0, false},
                                           Command_Case{0x03E80000, 0, false}, // 1000 in the high word
                                           Command_Case{0, 0, false}));

} // namespace
