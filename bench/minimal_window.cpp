// The least a window that shows a line once a second can do: the baseline
// for the program's CPU time and start time under Wine. One periodic timer;
// each tick marks the window for repainting, and the paint draws one line.
//
// Started with the argument "parts" (its caption is then "MinimalParts") it
// does on each tick exactly the platform work the program's tick and paint
// must do and nothing else: the timer stopped and set again, the local time
// formatted as the Japanese clock line, the client rectangle, the clock line
// in black and a fixed Japanese sentence in blue, broken between words.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

const UINT_PTR TIMER_ID = 1;
unsigned long g_ticks = 0;
bool g_parts = false;
char g_clock[64];

// "こんにちは。 15時30分になりました。" in Shift_JIS.
const char SENTENCE[] =
    "\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd\x81\x42 15\x8e\x9e" "30\x95\xaa\x82\xc9"
    "\x82\xc8\x82\xe8\x82\xdc\x82\xb5\x82\xbd\x81\x42";

void format_clock()
{
    std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    if (local != nullptr) {
        std::snprintf(g_clock, sizeof g_clock,
                      "%4d\x94\x4e%d\x8c\x8e%2d\x93\xfa %2d\x8e\x9e%2d\x95\xaa%2d\x95\x62",
                      local->tm_year + 1900, local->tm_mon + 1, local->tm_mday, local->tm_hour,
                      local->tm_min, local->tm_sec);
    }
}

void on_tick(HWND window)
{
    ++g_ticks;
    if (!g_parts) {
        InvalidateRect(window, nullptr, FALSE);
        return;
    }
    KillTimer(window, TIMER_ID);
    format_clock();
    InvalidateRect(window, nullptr, FALSE);
    SetTimer(window, TIMER_ID, 1000, nullptr);
}

void on_paint(HWND window)
{
    PAINTSTRUCT paint;
    if (!g_parts) {
        char line[32];
        int length = std::snprintf(line, sizeof line, "tick %lu", g_ticks);
        HDC dc = BeginPaint(window, &paint);
        TextOutA(dc, 10, 10, line, length);
        EndPaint(window, &paint);
        return;
    }
    RECT rect;
    GetClientRect(window, &rect);
    HDC dc = BeginPaint(window, &paint);
    SetTextColor(dc, RGB(0, 0, 0));
    TextOutA(dc, 10, 10, g_clock, static_cast<int>(std::strlen(g_clock)));
    rect.top += 40;
    rect.left += 20;
    SetTextColor(dc, RGB(0, 0, 255));
    DrawTextA(dc, SENTENCE, -1, &rect, DT_WORDBREAK);
    EndPaint(window, &paint);
}

LRESULT CALLBACK minimal_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_TIMER:
        on_tick(window);
        return 0;
    case WM_PAINT:
        on_paint(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wparam, lparam);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int show)
{
    g_parts = std::strcmp(command_line, "parts") == 0;
    const char* title = g_parts ? "MinimalParts" : "Minimal";
    WNDCLASSA window_class = {};
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = minimal_window_proc;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    window_class.lpszClassName = "MinimalWindow";
    if (!RegisterClassA(&window_class)) {
        return 1;
    }
    HWND window = CreateWindowExA(0, "MinimalWindow", title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 400, 200, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        return 1;
    }
    format_clock();
    SetTimer(window, TIMER_ID, 1000, nullptr);
    ShowWindow(window, show);
    UpdateWindow(window);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
