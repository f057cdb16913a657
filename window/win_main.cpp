#include "main_window.h"

#include <cstring>

namespace {

const char PROGRAM_NAME[] = "Tarnwhistle";
const int WINDOW_WIDTH = 400;
const int WINDOW_HEIGHT = 200;

} // namespace

int register_main_class(HINSTANCE instance, const char* class_name)
{
    WNDCLASSA window_class;
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = main_window_proc;
    window_class.cbClsExtra = 0;
    window_class.cbWndExtra = 0;
    window_class.hInstance = instance;
    window_class.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    window_class.lpszMenuName = PROGRAM_NAME;
    window_class.lpszClassName = class_name;
    return static_cast<WORD>(RegisterClassA(&window_class));
}

int create_main_window(HINSTANCE instance, const char* class_name, int show_command)
{
    // The creation message is handled inside this call: the timer runs and
    // the module has been loaded and greeted when it returns.
    HWND window = CreateWindowExA(0, class_name, PROGRAM_NAME, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, WINDOW_WIDTH, WINDOW_HEIGHT, nullptr, nullptr,
                                  instance, nullptr);
    if (window == nullptr) {
        return 0;
    }
    ShowWindow(window, show_command);
    UpdateWindow(window);
    return 1;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR, int show_command)
{
    char class_name[sizeof PROGRAM_NAME];
    std::memcpy(class_name, PROGRAM_NAME, sizeof PROGRAM_NAME);

    if (previous == nullptr && register_main_class(instance, class_name) == 0) {
        return 0;
    }
    if (create_main_window(instance, class_name, show_command) == 0) {
        return 0;
    }

    MSG msg = {};
    while (GetMessageA(&msg, nullptr, 0, 0) != 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
