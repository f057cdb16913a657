// The program's entry: the class, the window, the loop and the ends of a run.
#include "window_test_support.h"

#include "clock.h"
#include "posix/test_hooks.h"

#include <fstream>

namespace {

typedef std::vector<std::string> Names;

HINSTANCE const INSTANCE = reinterpret_cast<HINSTANCE>(0x400000);

class Win_Main : public Window_Test {
protected:
    void SetUp() override
    {
        Program_Test::SetUp(); // no window exists before WinMain makes it
    }

    int run(int show_command = SW_SHOWDEFAULT)
    {
        char command_line[] = "";
        return WinMain(INSTANCE, nullptr, command_line, show_command);
    }

    std::size_t index_of(const std::string& name) const
    {
        std::vector<std::string> names = calls();
        return static_cast<std::size_t>(std::find(names.begin(), names.end(), name) - names.begin());
    }
};

TEST_F(Win_Main, RegistersTheClassFieldByField)
{
    g_window_double.queue = {make_msg(WM_QUIT, 0)};
    run();

    const WNDCLASSA& c = g_window_double.window_class;
    EXPECT_EQ(c.style, CS_HREDRAW | CS_VREDRAW);
    EXPECT_EQ(c.style, 3u);
    EXPECT_EQ(c.lpfnWndProc, &main_window_proc);
    EXPECT_EQ(c.cbClsExtra, 0);
    EXPECT_EQ(c.cbWndExtra, 0);
    EXPECT_EQ(c.hInstance, INSTANCE);
    EXPECT_EQ(c.hIcon, reinterpret_cast<HICON>(0x3000));
    EXPECT_EQ(c.hCursor, reinterpret_cast<HCURSOR>(0x3100));
    EXPECT_EQ(c.hbrBackground, reinterpret_cast<HBRUSH>(0x3200));
    EXPECT_EQ(g_window_double.menu_name, "Tarnwhistle");
    EXPECT_EQ(g_window_double.class_name, "Tarnwhistle");

    EXPECT_EQ(calls_named("LoadIconA")[0].args, (std::vector<long long>{0, 0x7F00}));
    EXPECT_EQ(calls_named("LoadCursorA")[0].args, (std::vector<long long>{0, 0x7F00}));
    EXPECT_EQ(calls_named("GetStockObject")[0].args, std::vector<long long>{WHITE_BRUSH});
}

TEST_F(Win_Main, CreatesShowsAndUpdatesTheWindow)
{
    g_window_double.queue = {make_msg(WM_QUIT, 0)};
    run(SW_SHOWMINIMIZED);

    const Double_Call create = calls_named("CreateWindowExA")[0];
    EXPECT_EQ(create.text, "Tarnwhistle");
    EXPECT_EQ(create.caption, "Tarnwhistle");
    EXPECT_EQ(create.args, (std::vector<long long>{0, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 400,
                                                   200, 0, 0, handle(reinterpret_cast<HWND>(INSTANCE)), 0}));
    EXPECT_EQ(calls_named("ShowWindow")[0].args,
              (std::vector<long long>{handle(double_window()), SW_SHOWMINIMIZED}));
    EXPECT_LT(index_of("CreateWindowExA"), index_of("ShowWindow"));
    EXPECT_LT(index_of("ShowWindow"), index_of("UpdateWindow"));
}

struct Start_Failure_Case {
    const char* name;
    bool fail_register;
    bool fail_create;
};

void PrintTo(const Start_Failure_Case& c, std::ostream* os)
{
    *os << c.name;
}

class Start_Failure : public Win_Main, public ::testing::WithParamInterface<Start_Failure_Case> {};

TEST_P(Start_Failure, ReturnsZeroWithNoMessageAndNoModule)
{
    g_window_double.fail_register = GetParam().fail_register;
    g_window_double.fail_create = GetParam().fail_create;
    g_window_double.queue = {make_msg(WM_QUIT, 9)};

    EXPECT_EQ(run(), 0);
    EXPECT_TRUE(calls_named("MessageBoxA").empty());
    EXPECT_TRUE(calls_named("GetMessageA").empty());
    EXPECT_TRUE(calls_named("ShowWindow").empty());
    EXPECT_EQ(calls_named("CreateWindowExA").size(), GetParam().fail_register ? 0u : 1u);
    EXPECT_TRUE(module_calls().empty());
}

INSTANTIATE_TEST_SUITE_P(Failures, Start_Failure,
                         ::testing::Values(Start_Failure_Case{"Registration", true, false},
                                           Start_Failure_Case{"Creation", false, true}),
                         [](const ::testing::TestParamInfo<Start_Failure_Case>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(Win_Main, AWholeRunFromCreationToTheConfirmedClose)
{
    script(Module_Script()
               .answer("SHIORI/2.0 200 OK\r\n\r\n")
               .answer(answer_with_sentence("open"))
               .answer(answer_with_sentence("first"))
               .answer(answer_with_sentence("second"))
               .answer(answer_with_sentence("close")));
    g_window_double.queue = {make_msg(WM_TIMER, TIMER_ID), make_msg(WM_TIMER, TIMER_ID),
                             make_msg(WM_COMMAND, IDM_CLOSE)};
    g_window_double.boxes = {Box_Script{IDYES, {}}};

    EXPECT_EQ(run(), 0);
    EXPECT_FALSE(g_window_double.ran_dry);

    // The first paint comes from UpdateWindow, before any tick, and is empty.
    EXPECT_LT(index_of("SetTimer"), index_of("UpdateWindow"));
    EXPECT_LT(index_of("TextOutA"), index_of("KillTimer"));
    EXPECT_EQ(calls_named("TextOutA")[0].text, "");
    EXPECT_EQ(calls_named("DrawTextA")[0].text, "");
    // A tick's paint comes from the loop, before the next tick, with what
    // the tick stored.
    std::vector<Double_Call> draws = calls_named("DrawTextA");
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[1].text, "first");
    EXPECT_EQ(calls_named("TextOutA")[1].text.size(), std::string(g_clock_text).size());
    EXPECT_GE(calls_named("TextOutA")[1].text.size(), 26u);

    // Every message goes through TranslateMessage, then DispatchMessageA.
    std::vector<std::string> loop = call_names_without({});
    for (std::size_t i = 0; i < loop.size(); ++i) {
        if (loop[i] == "DispatchMessageA") {
            ASSERT_GT(i, 0u);
            EXPECT_EQ(loop[i - 1], "TranslateMessage");
        }
    }
    for (const Double_Call& get : calls_named("GetMessageA")) {
        EXPECT_EQ(get.args, (std::vector<long long>{0, 0, 0}));
    }

    std::vector<Module_Call> module = module_calls();
    ASSERT_EQ(module.size(), 7u);
    EXPECT_EQ(module[0].name, "load");
    EXPECT_EQ(module_requests(), (Names{version_request(), sentence_request("OnTwOpen"),
                                        sentence_request("OnSecondChange"), sentence_request("OnSecondChange"),
                                        sentence_request("OnTwClose")}));
    EXPECT_EQ(module[6].name, "unload");
}

TEST_F(Win_Main, AQuitFromOutsideEndsWithItsValueAndNoShutDown)
{
    script(Module_Script());
    g_window_double.queue = {make_msg(WM_TIMER, TIMER_ID), make_msg(WM_QUIT, 5)};

    EXPECT_EQ(run(), 5);
    EXPECT_EQ(requests_for("OnSecondChange"), 1);
    EXPECT_EQ(requests_for("OnTwClose"), 0);
    EXPECT_FALSE(module_unloaded());
    EXPECT_TRUE(calls_named("MessageBoxA").empty());
}

TEST_F(Win_Main, AHiddenWindowStaysHiddenAndStillTicks)
{
    script(Module_Script());
    g_window_double.queue = {make_msg(WM_TIMER, TIMER_ID), make_msg(WM_TIMER, TIMER_ID), make_msg(WM_QUIT, 0)};

    EXPECT_EQ(run(SW_HIDE), 0);
    std::vector<Double_Call> shows = calls_named("ShowWindow");
    ASSERT_EQ(shows.size(), 1u);
    EXPECT_EQ(shows[0].args[1], SW_HIDE);
    EXPECT_TRUE(calls_named("BeginPaint").empty());
    EXPECT_EQ(requests_for("OnSecondChange"), 2);
}

// ---- the abnormal end -----------------------------------------------------------

std::string g_exit_log_path;

void write_exit_log(UINT exit_code)
{
    std::ofstream log(g_exit_log_path);
    for (const Double_Call& call : g_window_double.calls) {
        log << describe(call) << "\n";
    }
    log << "ExitProcess(" << exit_code << ")\n";
}

struct Failure_Case {
    const char* name;
    const char* failing_call; // where memory runs out, counted once
    std::vector<std::string> requests_before;
};

void PrintTo(const Failure_Case& c, std::ostream* os)
{
    *os << c.name;
}

class Abnormal_End : public Win_Main, public ::testing::WithParamInterface<Failure_Case> {
protected:
    void run_out_of_memory_in(const char* call)
    {
        g_exit_hook = write_exit_log;
        g_window_double.throw_in = call;
        g_window_double.throw_at = 1;
        g_window_double.queue = {make_msg(WM_TIMER, TIMER_ID), make_msg(WM_TIMER, TIMER_ID),
                                 make_msg(WM_QUIT, 0)};
        // What reaches the window while the box is shown gets only the
        // default handling.
        g_window_double.boxes = {Box_Script{IDOK,
                                            {make_msg(WM_TIMER, TIMER_ID), make_msg(WM_PAINT),
                                             make_msg(WM_COMMAND, IDM_CLOSE)}}};
        run();
    }
};

TEST_P(Abnormal_End, TellsTheUserAndExitsWithThreeWithoutUnloading)
{
    const Failure_Case& c = GetParam();
    script(Module_Script());
    g_exit_log_path = dir_ + "/exit.log";

    EXPECT_EXIT(run_out_of_memory_in(c.failing_call), ::testing::ExitedWithCode(3), "");

    std::ifstream file(g_exit_log_path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        lines.push_back(line);
    }
    std::size_t box = 0;
    while (box < lines.size() && lines[box].rfind("MessageBoxA", 0) != 0) {
        ++box;
    }
    ASSERT_LT(box, lines.size()) << "no message box was shown";
    EXPECT_EQ(lines[box], "MessageBoxA(0, 16) text=\"Abnormal program termination\" caption=\"tarnwhistle_tests\"");
    std::vector<std::string> after(lines.begin() + static_cast<long>(box) + 1, lines.end());
    const long long window = handle(double_window());
    EXPECT_EQ(after, (Names{"DefWindowProcA(" + std::to_string(window) + ", 275, 32767, 0)",
                            "DefWindowProcA(" + std::to_string(window) + ", 15, 0, 0)",
                            "DefWindowProcA(" + std::to_string(window) + ", 273, 1000, 0)",
                            "ExitProcess(3)"}));

    EXPECT_EQ(module_requests(), c.requests_before);
    EXPECT_FALSE(module_unloaded());
}

INSTANTIATE_TEST_SUITE_P(
    Failures, Abnormal_End,
    ::testing::Values(Failure_Case{"WhileCreating", "SetTimer", {}},
                      Failure_Case{"WhilePainting", "BeginPaint", {version_request(), sentence_request("OnTwOpen")}},
                      Failure_Case{"InATick", "InvalidateRect",
                                   {version_request(), sentence_request("OnTwOpen"),
                                    sentence_request("OnSecondChange")}}),
    [](const ::testing::TestParamInfo<Failure_Case>& info) { return std::string(info.param.name); });

} // namespace
