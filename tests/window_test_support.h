// Helpers for the tests of the window against the window double.
#pragma once

#include "test_support.h"

#include "main_window.h"
#include "posix/window_double.h"

#include <string>
#include <vector>

// The message box texts, in Shift_JIS.
extern const std::string TIMER_FAILED_TEXT;     // タイマー失敗！
extern const std::string TIMER_FAILED_CAPTION;  // 失敗
extern const std::string CLOSE_QUESTION_TEXT;   // 終了してもよいですか
extern const std::string CLOSE_QUESTION_CAPTION; // 終了確認

// A window that exists: its procedure receives what the double delivers.
class Window_Test : public Program_Test {
protected:
    void SetUp() override;

    LRESULT send(UINT message, WPARAM wparam = 0, LPARAM lparam = 0);
    // Binds the recording module, scripted with the given answers.
    void bind_module(const Module_Script& answers);
    // How many requests of the module named the event.
    int requests_for(const std::string& event_name) const;
    bool module_unloaded() const;

    // The recorded call names, leaving out the message loop's own.
    std::vector<std::string> calls() const;
};

long long handle(HWND window);
