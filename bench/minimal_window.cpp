// The least a window that shows a line once a second can do: the baseline
// for the program's CPU time and start time under Wine. One periodic timer;
// each tick marks the window for repainting, and the paint draws one line.
#include <windows.h>

#include <cstdio>

namespace {

const UINT_PTR TIMER_ID = 1;
unsigned long g_ticks = 0;

LRESULT CALLBACK minimal_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_TIMER:
        ++g_ticks;
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_PAINT: {
        char line[32];
        int length = std::snprintf(line, sizeof line, "tick %lu", g_ticks);
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        TextOutA(dc, 10, 10, line, length);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wparam, lparam);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = minimal_window_proc;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    window_class.lpszClassName = "MinimalWindow";
    if (!RegisterClassA(&window_class)) {
        return 1;
    }
    HWND window = CreateWindowExA(0, "MinimalWindow", "Minimal", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 400, 200, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        return 1;
    }
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
