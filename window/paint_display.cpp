#include "main_window.h"

#include "clock.h"

#include <cstring>

void paint_display(HWND window, std::string sentence)
{
    RECT rect;
    GetClientRect(window, &rect);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);

    const void* clock_end = std::memchr(g_clock_text, '\0', sizeof g_clock_text);
    int clock_length = clock_end == nullptr
                           ? static_cast<int>(sizeof g_clock_text)
                           : static_cast<int>(static_cast<const char*>(clock_end) - g_clock_text);
    SetTextColor(dc, RGB(0, 0, 0));
    TextOutA(dc, 10, 10, g_clock_text, clock_length);

    rect.top += 40;
    rect.left += 20;
    SetTextColor(dc, RGB(0, 0, 255));
    DrawTextA(dc, sentence.c_str(), -1, &rect, DT_WORDBREAK);

    EndPaint(window, &paint);
}
