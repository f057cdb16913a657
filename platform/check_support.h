// What the checker needs of the system beyond the program's own header: a
// guard around each call into the module against faults and hangs, the
// reason a library did not load, absolute paths, waiting, and Shift_JIS read
// as UTF-8. One implementation for Windows, one for POSIX.
#pragma once

#include <string>

// Once at start: the fault handlers, and on Windows binary standard output,
// UTF-8 on the console and no system error boxes.
void check_platform_start();

// Arms the guard for one call into the module. Should the call fault,
// crash_head, the fault's name and crash_tail are written to standard
// output and the process ends with exit code 3; should it not return within
// timeout_ms, timeout_text is written and the process ends with exit code 4.
// Standard output is flushed first, so nothing written before is lost. The
// texts must stay unchanged until the guard is disarmed.
void guard_arm(const std::string& crash_head, const std::string& crash_tail,
               const std::string& timeout_text, unsigned long timeout_ms);
void guard_disarm();

// The system's reason, on one line, why the last library load failed. Must
// be asked right after the failure.
std::string library_load_error();

// The path made absolute in the platform's form; the path itself when that
// cannot be had.
std::string absolute_path(const char* path);

void wait_milliseconds(unsigned long milliseconds);

// Shift_JIS bytes (the Windows code page 932) as UTF-8; false when some
// character has no Unicode form.
bool shift_jis_to_utf8(const std::string& bytes, std::string& out);
