#include "posix/window_double.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <sstream>

Window_Double g_window_double;

namespace {

Window_Double& d = g_window_double;

const std::uintptr_t WINDOW_HANDLE = 0x1000;
const std::uintptr_t DC_HANDLE = 0x2000;
const std::uintptr_t ICON_HANDLE = 0x3000;
const std::uintptr_t CURSOR_HANDLE = 0x3100;
const std::uintptr_t BRUSH_HANDLE = 0x3200;

long long number(const void* pointer)
{
    return static_cast<long long>(reinterpret_cast<std::uintptr_t>(pointer));
}

std::string text_of(const char* text)
{
    return text == nullptr ? std::string() : std::string(text);
}

void record(const std::string& name, std::vector<long long> args, std::string text = std::string(),
            std::string caption = std::string())
{
    d.calls.push_back(Double_Call{name, std::move(args), std::move(text), std::move(caption)});
    if (d.on_call) {
        d.on_call(d.calls.back());
    }
    if (!d.throw_in.empty() && d.throw_in == name && ++d.throw_seen == d.throw_at) {
        throw std::bad_alloc();
    }
}

LRESULT deliver(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (window != double_window() || !d.window_alive || d.proc == nullptr) {
        return 0;
    }
    return d.proc(window, message, wparam, lparam);
}

} // namespace

HWND double_window()
{
    return reinterpret_cast<HWND>(WINDOW_HANDLE);
}

void reset_window_double()
{
    d.calls.clear();
    d.on_call = nullptr;
    d.queue.clear();
    d.ran_dry = false;
    d.boxes.clear();
    d.set_timer_results.clear();
    d.fail_register = false;
    d.fail_create = false;
    d.default_result = 0;
    d.throw_in.clear();
    d.throw_at = 0;
    d.throw_seen = 0;
    d.client = RECT{0, 0, 384, 161};
    d.proc = nullptr;
    d.class_name.clear();
    d.window_class = WNDCLASSA{};
    d.menu_name.clear();
    d.window_alive = false;
    d.visible = false;
    d.paint_due = false;
    d.timer_running = false;
}

MSG make_msg(UINT message, WPARAM wparam, LPARAM lparam)
{
    MSG msg = {};
    msg.hwnd = double_window();
    msg.message = message;
    msg.wParam = wparam;
    msg.lParam = lparam;
    return msg;
}

std::vector<Double_Call> calls_named(const std::string& name)
{
    std::vector<Double_Call> found;
    for (const Double_Call& call : d.calls) {
        if (call.name == name) {
            found.push_back(call);
        }
    }
    return found;
}

std::vector<std::string> call_names_without(const std::vector<std::string>& left_out)
{
    std::vector<std::string> names;
    for (const Double_Call& call : d.calls) {
        if (std::find(left_out.begin(), left_out.end(), call.name) == left_out.end()) {
            names.push_back(call.name);
        }
    }
    return names;
}

std::string describe(const Double_Call& call)
{
    std::ostringstream line;
    line << call.name << "(";
    for (std::size_t i = 0; i < call.args.size(); ++i) {
        line << (i == 0 ? "" : ", ") << call.args[i];
    }
    line << ")";
    if (!call.text.empty()) {
        line << " text=\"" << call.text << "\"";
    }
    if (!call.caption.empty()) {
        line << " caption=\"" << call.caption << "\"";
    }
    return line.str();
}

// ---- classes and windows ---------------------------------------------------

ATOM RegisterClassA(const WNDCLASSA* window_class)
{
    record("RegisterClassA",
           {static_cast<long long>(window_class->style), number(window_class->hInstance)},
           text_of(window_class->lpszClassName), text_of(window_class->lpszMenuName));
    if (d.fail_register) {
        return 0;
    }
    d.window_class = *window_class;
    d.proc = window_class->lpfnWndProc;
    d.class_name = text_of(window_class->lpszClassName);
    d.menu_name = text_of(window_class->lpszMenuName);
    return 0xC001;
}

HICON LoadIconA(HINSTANCE instance, LPCSTR name)
{
    record("LoadIconA", {number(instance), number(name)});
    return reinterpret_cast<HICON>(ICON_HANDLE);
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name)
{
    record("LoadCursorA", {number(instance), number(name)});
    return reinterpret_cast<HCURSOR>(CURSOR_HANDLE);
}

HGDIOBJ GetStockObject(int object)
{
    record("GetStockObject", {object});
    return reinterpret_cast<HGDIOBJ>(BRUSH_HANDLE);
}

HWND CreateWindowExA(DWORD ex_style, LPCSTR class_name, LPCSTR title, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     void* param)
{
    record("CreateWindowExA",
           {ex_style, style, x, y, width, height, number(parent), number(menu), number(instance),
            number(param)},
           text_of(class_name), text_of(title));
    if (d.fail_create || d.proc == nullptr || d.class_name != text_of(class_name)) {
        return nullptr;
    }
    d.window_alive = true;
    d.visible = false;
    d.paint_due = true;
    if (deliver(double_window(), WM_CREATE, 0, 0) == -1) {
        d.window_alive = false;
        return nullptr;
    }
    return double_window();
}

BOOL ShowWindow(HWND window, int show_command)
{
    record("ShowWindow", {number(window), show_command});
    bool was_visible = d.visible;
    d.visible = show_command != SW_HIDE;
    return was_visible ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND window)
{
    record("UpdateWindow", {number(window)});
    if (d.visible && d.paint_due) {
        deliver(window, WM_PAINT, 0, 0);
    }
    return TRUE;
}

BOOL DestroyWindow(HWND window)
{
    record("DestroyWindow", {number(window)});
    deliver(window, WM_DESTROY, 0, 0);
    d.window_alive = false;
    d.timer_running = false;
    return TRUE;
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    record("DefWindowProcA",
           {number(window), message, static_cast<long long>(wparam), static_cast<long long>(lparam)});
    if (message == WM_PAINT) {
        d.paint_due = false;
    } else if (message == WM_CLOSE) {
        DestroyWindow(window);
    }
    return d.default_result;
}

// ---- messages --------------------------------------------------------------

BOOL GetMessageA(MSG* msg, HWND window, UINT filter_min, UINT filter_max)
{
    record("GetMessageA", {number(window), filter_min, filter_max});
    bool paint_can_come = d.paint_due && d.window_alive && d.visible;
    // As on Windows, a due paint comes before a timer message.
    if (paint_can_come && (d.queue.empty() || d.queue.front().message == WM_TIMER)) {
        *msg = make_msg(WM_PAINT);
    } else if (!d.queue.empty()) {
        *msg = d.queue.front();
        d.queue.pop_front();
    } else {
        d.ran_dry = true;
        *msg = make_msg(WM_QUIT, RAN_DRY);
        msg->hwnd = nullptr;
    }
    return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL TranslateMessage(const MSG* msg)
{
    record("TranslateMessage", {msg->message});
    return FALSE;
}

LRESULT DispatchMessageA(const MSG* msg)
{
    record("DispatchMessageA", {number(msg->hwnd), msg->message,
                                static_cast<long long>(msg->wParam),
                                static_cast<long long>(msg->lParam)});
    return deliver(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

void PostQuitMessage(int exit_code)
{
    record("PostQuitMessage", {exit_code});
    MSG quit = make_msg(WM_QUIT, static_cast<WPARAM>(exit_code));
    quit.hwnd = nullptr;
    d.queue.push_back(quit);
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    record("SendMessageA",
           {number(window), message, static_cast<long long>(wparam), static_cast<long long>(lparam)});
    return deliver(window, message, wparam, lparam);
}

// ---- timer and message boxes -----------------------------------------------

std::uintptr_t SetTimer(HWND window, std::uintptr_t id, UINT period_ms, TIMERPROC timer_proc)
{
    record("SetTimer", {number(window), static_cast<long long>(id), period_ms,
                        timer_proc == nullptr ? 0 : 1});
    bool works = true;
    if (!d.set_timer_results.empty()) {
        works = d.set_timer_results.front();
        d.set_timer_results.pop_front();
    }
    d.timer_running = works;
    return works ? id : 0;
}

BOOL KillTimer(HWND window, std::uintptr_t id)
{
    record("KillTimer", {number(window), static_cast<long long>(id)});
    bool was_running = d.timer_running;
    d.timer_running = false;
    return was_running ? TRUE : FALSE;
}

// The nested loop of a real box dispatches the thread's messages while it is
// shown; the script says which.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT flags)
{
    record("MessageBoxA", {number(owner), flags}, text_of(text), text_of(caption));
    Box_Script box = {IDOK, {}};
    if (!d.boxes.empty()) {
        box = d.boxes.front();
        d.boxes.pop_front();
    }
    for (const MSG& msg : box.nested) {
        deliver(msg.hwnd, msg.message, msg.wParam, msg.lParam);
    }
    return box.answer;
}

// ---- painting --------------------------------------------------------------

BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase)
{
    record("InvalidateRect", {number(window), number(rect), erase});
    d.paint_due = true;
    return TRUE;
}

BOOL GetClientRect(HWND window, RECT* rect)
{
    record("GetClientRect", {number(window)});
    *rect = d.client;
    return TRUE;
}

HDC BeginPaint(HWND window, PAINTSTRUCT* paint)
{
    record("BeginPaint", {number(window)});
    d.paint_due = false;
    *paint = PAINTSTRUCT{};
    paint->hdc = reinterpret_cast<HDC>(DC_HANDLE);
    paint->rcPaint = d.client;
    return paint->hdc;
}

BOOL EndPaint(HWND window, const PAINTSTRUCT* paint)
{
    record("EndPaint", {number(window), number(paint->hdc)});
    return TRUE;
}

int DrawTextA(HDC dc, LPCSTR text, int count, RECT* rect, UINT format)
{
    std::string bytes = count < 0 ? text_of(text) : std::string(text, static_cast<std::size_t>(count));
    record("DrawTextA", {number(dc), count, rect->left, rect->top, rect->right, rect->bottom, format},
           bytes);
    return 16;
}

COLORREF SetTextColor(HDC dc, COLORREF colour)
{
    record("SetTextColor", {number(dc), colour});
    return 0;
}

BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int count)
{
    record("TextOutA", {number(dc), x, y, count},
           std::string(text, static_cast<std::size_t>(count < 0 ? 0 : count)));
    return TRUE;
}
