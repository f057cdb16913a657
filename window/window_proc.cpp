#include "main_window.h"

#include "clock.h"
#include "exchanges.h"

std::string g_sentence;

namespace {

const char TIMER_FAILED_TEXT[] = "\x83\x5e\x83\x43\x83\x7d\x81\x5b\x8e\xb8\x94\x73\x81\x49"; // タイマー失敗！
const char TIMER_FAILED_CAPTION[] = "\x8e\xb8\x94\x73";                                   // 失敗
const char CLOSE_QUESTION_TEXT[] =
    "\x8f\x49\x97\xb9\x82\xb5\x82\xc4\x82\xe0\x82\xe6\x82\xa2\x82\xc5\x82\xb7\x82\xa9"; // 終了してもよいですか
const char CLOSE_QUESTION_CAPTION[] = "\x8f\x49\x97\xb9\x8a\x6d\x94\x46";             // 終了確認

void start_timer(HWND window)
{
    if (SetTimer(window, TIMER_ID, TIMER_PERIOD_MS, nullptr) == 0) {
        MessageBoxA(window, TIMER_FAILED_TEXT, TIMER_FAILED_CAPTION, MB_OK);
    }
}

void on_create(HWND window)
{
    start_timer(window);
    startup_exchange();
}

// The timer is stopped for the tick's work, so ticks never overlap and the
// next one comes a whole period after this one has ended.
void on_tick(HWND window)
{
    KillTimer(window, TIMER_ID);
    update_clock();
    second_change(g_sentence);
    InvalidateRect(window, nullptr, FALSE);
    start_timer(window);
}

void on_paint(HWND window)
{
    paint_display(window, g_sentence);
}

void on_close(HWND window)
{
    int answer = MessageBoxA(window, CLOSE_QUESTION_TEXT, CLOSE_QUESTION_CAPTION,
                             MB_YESNO | MB_ICONQUESTION);
    if (answer != IDYES) {
        return;
    }
    KillTimer(window, TIMER_ID);
    shutdown_exchange();
    DestroyWindow(window);
}

void on_command(HWND window, WPARAM wparam)
{
    if (LOWORD(wparam) == IDM_CLOSE) {
        SendMessageA(window, WM_CLOSE, 0, 0);
    }
}

LRESULT handle_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_CREATE:
        on_create(window);
        return 0;
    case WM_TIMER:
        on_tick(window);
        return 0;
    case WM_PAINT:
        on_paint(window);
        return 0;
    case WM_CLOSE:
        on_close(window);
        return 0;
    case WM_COMMAND:
        on_command(window, wparam);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wparam, lparam);
    }
}

} // namespace

// No failure may pass through the platform's dispatcher, which may swallow it
// and let the program go on broken: a failure in any handler ends the run here.
LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (abnormal_end_begun()) {
        // Only the platform's default handling while the end is on screen.
        try {
            return DefWindowProcA(window, message, wparam, lparam);
        } catch (...) {
            return 0;
        }
    }
    bool failed = false;
    LRESULT result = 0;
    try {
        result = handle_message(window, message, wparam, lparam);
    } catch (...) {
        failed = true;
    }
    if (failed) {
        abnormal_end();
    }
    return result;
}
