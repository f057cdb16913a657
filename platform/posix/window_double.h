// A scripted stand-in for the window system, for tests: it records every call
// with its arguments, delivers messages to the registered window procedure the
// way the real one does, and lets a test choose what its calls answer.
#pragma once

#include "platform.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

struct Double_Call {
    std::string name;
    std::vector<long long> args; // the numeric arguments, in order
    std::string text;            // the text argument, as bytes
    std::string caption;         // a second text: caption, title, menu name
};

// What one message box does: the messages its nested loop dispatches while it
// is shown, then the button it answers.
struct Box_Script {
    int answer;
    std::vector<MSG> nested;
};

struct Window_Double {
    std::vector<Double_Call> calls;

    // Called with each call as it is recorded, before the call acts: lets a
    // test look at the program's state at that moment.
    std::function<void(const Double_Call&)> on_call;

    // Posted messages for GetMessageA, in order. When a paint is due in the
    // shown window and none is left, or the next is a timer message,
    // GetMessageA delivers WM_PAINT first; when nothing at all is left it
    // returns 0 with wParam RAN_DRY.
    std::deque<MSG> queue;
    bool ran_dry;

    std::deque<Box_Script> boxes; // one per MessageBoxA; IDOK with nothing nested once used up
    std::deque<bool> set_timer_results; // one per SetTimer; success once used up
    bool fail_register;
    bool fail_create;
    LRESULT default_result; // what DefWindowProcA answers

    // Makes the given occurrence (counted from 1) of the named call throw
    // std::bad_alloc after it has been recorded.
    std::string throw_in;
    int throw_at;
    int throw_seen;

    RECT client;

    // The one window's state.
    WNDPROC proc;
    std::string class_name;
    WNDCLASSA window_class;
    std::string menu_name;
    bool window_alive;
    bool visible;
    bool paint_due;
    bool timer_running;
};

const WPARAM RAN_DRY = 0xDEAD;

extern Window_Double g_window_double;

// The handle of the double's one window.
HWND double_window();

// Empties the record and every script; the next window is new.
void reset_window_double();

MSG make_msg(UINT message, WPARAM wparam = 0, LPARAM lparam = 0);

// The recorded calls of the given name, in order.
std::vector<Double_Call> calls_named(const std::string& name);

// The names of the recorded calls, leaving out the given ones.
std::vector<std::string> call_names_without(const std::vector<std::string>& left_out);

// One call on one line, for failure messages and logs.
std::string describe(const Double_Call& call);
