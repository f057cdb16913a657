// The program's entry, its one window and the window's procedure.
#pragma once

#include "platform.h"

#include <string>

const UINT TIMER_ID = 0x7FFF;
const UINT TIMER_PERIOD_MS = 1000;
const WORD IDM_CLOSE = 1000;

// The sentence on display; only the tick writes it, only the paint reads it.
extern std::string g_sentence;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show_command);

// The class atom as an unsigned 16-bit value; 0 when registration failed.
int register_main_class(HINSTANCE instance, const char* class_name);

// 1 when the window was created, shown and updated; 0 when it was not created.
int create_main_window(HINSTANCE instance, const char* class_name, int show_command);

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Draws the clock line and the given sentence into the window's client area.
void paint_display(HWND window, std::string sentence);

// Ends the run after a failure that left the program unable to go on: tells
// the user, then ends the process with exit code 3 without unloading the
// module or destroying the globals.
[[noreturn]] void abnormal_end();

// True once abnormal_end has begun: nothing of the program runs any more.
bool abnormal_end_begun();
