#include "window_test_support.h"

#include "shiori_module.h"

const std::string TIMER_FAILED_TEXT = "\x83\x5e\x83\x43\x83\x7d\x81\x5b\x8e\xb8\x94\x73\x81\x49";
const std::string TIMER_FAILED_CAPTION = "\x8e\xb8\x94\x73";
const std::string CLOSE_QUESTION_TEXT =
    "\x8f\x49\x97\xb9\x82\xb5\x82\xc4\x82\xe0\x82\xe6\x82\xa2\x82\xc5\x82\xb7\x82\xa9";
const std::string CLOSE_QUESTION_CAPTION = "\x8f\x49\x97\xb9\x8a\x6d\x94\x46";

long long handle(HWND window)
{
    return static_cast<long long>(reinterpret_cast<std::uintptr_t>(window));
}

void Window_Test::SetUp()
{
    Program_Test::SetUp();
    g_window_double.proc = main_window_proc;
    g_window_double.window_alive = true;
    g_window_double.visible = true;
    g_window_double.timer_running = true;
}

LRESULT Window_Test::send(UINT message, WPARAM wparam, LPARAM lparam)
{
    return main_window_proc(double_window(), message, wparam, lparam);
}

void Window_Test::bind_module(const Module_Script& answers)
{
    script(answers);
    ASSERT_EQ(g_shiori.load(module_path("korvel.dll").c_str(), "dir"), 1);
}

int Window_Test::requests_for(const std::string& event_name) const
{
    int count = 0;
    for (const std::string& request : module_requests()) {
        if (request == sentence_request(event_name)) {
            ++count;
        }
    }
    return count;
}

bool Window_Test::module_unloaded() const
{
    for (const Module_Call& call : module_calls()) {
        if (call.name == "unload") {
            return true;
        }
    }
    return false;
}

std::vector<std::string> Window_Test::calls() const
{
    return call_names_without({"GetMessageA", "TranslateMessage", "DispatchMessageA"});
}
