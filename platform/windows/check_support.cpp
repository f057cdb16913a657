#include "check_support.h"

#include "platform.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <io.h>

namespace {

volatile LONG g_armed = 0;
const std::string* g_crash_head = nullptr;
const std::string* g_crash_tail = nullptr;
const std::string* g_timeout_text = nullptr;
HANDLE g_timer = nullptr;

void write_out(const char* bytes, std::size_t count)
{
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    while (count > 0) {
        DWORD written = 0;
        if (!WriteFile(output, bytes, static_cast<DWORD>(count), &written, nullptr) || written == 0) {
            return;
        }
        bytes += written;
        count -= written;
    }
}

void write_out(const std::string* text)
{
    if (text != nullptr) {
        write_out(text->data(), text->size());
    }
}

const char* fault_name(DWORD code)
{
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION: return "EXCEPTION_ACCESS_VIOLATION (invalid memory access)";
    case EXCEPTION_IN_PAGE_ERROR: return "EXCEPTION_IN_PAGE_ERROR (page could not be read)";
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED: return "EXCEPTION_ARRAY_BOUNDS_EXCEEDED";
    case EXCEPTION_DATATYPE_MISALIGNMENT: return "EXCEPTION_DATATYPE_MISALIGNMENT";
    case EXCEPTION_INT_DIVIDE_BY_ZERO: return "EXCEPTION_INT_DIVIDE_BY_ZERO (integer division by zero)";
    case EXCEPTION_INT_OVERFLOW: return "EXCEPTION_INT_OVERFLOW";
    case EXCEPTION_FLT_DIVIDE_BY_ZERO: return "EXCEPTION_FLT_DIVIDE_BY_ZERO";
    case EXCEPTION_FLT_INVALID_OPERATION: return "EXCEPTION_FLT_INVALID_OPERATION";
    case EXCEPTION_FLT_OVERFLOW: return "EXCEPTION_FLT_OVERFLOW";
    case EXCEPTION_ILLEGAL_INSTRUCTION: return "EXCEPTION_ILLEGAL_INSTRUCTION (illegal instruction)";
    case EXCEPTION_PRIV_INSTRUCTION: return "EXCEPTION_PRIV_INSTRUCTION (privileged instruction)";
    case EXCEPTION_STACK_OVERFLOW: return "EXCEPTION_STACK_OVERFLOW (stack overflow)";
    case EXCEPTION_BREAKPOINT: return "EXCEPTION_BREAKPOINT";
    case 0xE06D7363u: return "C++ exception not caught by the module";
    default: return "unhandled exception";
    }
}

void end_with_crash(const char* name)
{
    write_out(g_crash_head);
    write_out(name, std::strlen(name));
    write_out(g_crash_tail);
    TerminateProcess(GetCurrentProcess(), 3);
}

LONG WINAPI on_unhandled(EXCEPTION_POINTERS* info)
{
    if (!g_armed) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    DWORD code = info->ExceptionRecord->ExceptionCode;
    char name[128];
    std::snprintf(name, sizeof name, "%s, code 0x%08lX", fault_name(code),
                  static_cast<unsigned long>(code));
    end_with_crash(name);
    return EXCEPTION_EXECUTE_HANDLER;
}

// A module that calls abort() shares the C runtime with the checker.
void on_abort(int)
{
    if (g_armed) {
        end_with_crash("SIGABRT (aborted)");
    }
    TerminateProcess(GetCurrentProcess(), 3);
}

VOID CALLBACK on_timeout(PVOID, BOOLEAN)
{
    if (g_armed) {
        write_out(g_timeout_text);
        TerminateProcess(GetCurrentProcess(), 4);
    }
}

} // namespace

void check_platform_start()
{
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    _setmode(_fileno(stdout), _O_BINARY);
    SetConsoleOutputCP(CP_UTF8);
    SetUnhandledExceptionFilter(on_unhandled);
    std::signal(SIGABRT, on_abort);
}

void guard_arm(const std::string& crash_head, const std::string& crash_tail,
               const std::string& timeout_text, unsigned long timeout_ms)
{
    std::fflush(stdout);
    g_crash_head = &crash_head;
    g_crash_tail = &crash_tail;
    g_timeout_text = &timeout_text;
    InterlockedExchange(&g_armed, 1);
    if (!CreateTimerQueueTimer(&g_timer, nullptr, on_timeout, nullptr, timeout_ms, 0,
                               WT_EXECUTEONLYONCE)) {
        g_timer = nullptr;
    }
}

void guard_disarm()
{
    if (g_timer != nullptr) {
        // Waits for a timeout already under way, which ends the process.
        DeleteTimerQueueTimer(nullptr, g_timer, INVALID_HANDLE_VALUE);
        g_timer = nullptr;
    }
    InterlockedExchange(&g_armed, 0);
}

std::string library_load_error()
{
    DWORD code = GetLastError();
    char text[512];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' ||
                          text[length - 1] == ' ')) {
        --length;
    }
    char head[32];
    std::snprintf(head, sizeof head, "error %lu", static_cast<unsigned long>(code));
    std::string reason = head;
    if (length > 0) {
        reason += ": ";
        reason.append(text, length);
    }
    return reason;
}

std::string absolute_path(const char* path)
{
    char buffer[MAX_PATH * 4];
    DWORD length = GetFullPathNameA(path, sizeof buffer, buffer, nullptr);
    if (length == 0 || length >= sizeof buffer) {
        return path;
    }
    return std::string(buffer, length);
}

void wait_milliseconds(unsigned long milliseconds)
{
    Sleep(milliseconds);
}

bool shift_jis_to_utf8(const std::string& bytes, std::string& out)
{
    out.clear();
    if (bytes.empty()) {
        return true;
    }
    int wide_length = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(),
                                          static_cast<int>(bytes.size()), nullptr, 0);
    if (wide_length <= 0) {
        return false;
    }
    std::wstring wide(static_cast<std::size_t>(wide_length), L'\0');
    MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                        &wide[0], wide_length);
    int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_length, nullptr, 0, nullptr,
                                     nullptr);
    out.assign(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_length, &out[0], length, nullptr, nullptr);
    return true;
}
