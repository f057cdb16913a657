#include "check_support.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <iconv.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

namespace {

const int FAULT_SIGNALS[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

volatile sig_atomic_t g_armed = 0;
const std::string* g_crash_head = nullptr;
const std::string* g_crash_tail = nullptr;
const std::string* g_timeout_text = nullptr;

// The stack the handlers run on, so that a module that overflowed its own
// stack is still reported.
alignas(16) char g_handler_stack[64 * 1024];

void write_out(const char* bytes, std::size_t count)
{
    while (count > 0) {
        ssize_t written = write(STDOUT_FILENO, bytes, count);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;
        }
        bytes += written;
        count -= static_cast<std::size_t>(written);
    }
}

void write_out(const std::string* text)
{
    if (text != nullptr) {
        write_out(text->data(), text->size());
    }
}

const char* fault_name(int signal_number)
{
    switch (signal_number) {
    case SIGSEGV: return "SIGSEGV (invalid memory access)";
    case SIGBUS: return "SIGBUS (bus error)";
    case SIGFPE: return "SIGFPE (arithmetic fault)";
    case SIGILL: return "SIGILL (illegal instruction)";
    case SIGABRT: return "SIGABRT (aborted)";
    default: return "signal";
    }
}

void on_fault(int signal_number)
{
    if (!g_armed) {
        // A fault of the checker's own: end as the system would.
        std::signal(signal_number, SIG_DFL);
        std::raise(signal_number);
        return;
    }
    write_out(g_crash_head);
    const char* name = fault_name(signal_number);
    write_out(name, std::strlen(name));
    write_out(g_crash_tail);
    _exit(3);
}

void on_alarm(int)
{
    if (!g_armed) {
        return;
    }
    write_out(g_timeout_text);
    _exit(4);
}

void set_alarm(unsigned long milliseconds)
{
    itimerval timer = {};
    timer.it_value.tv_sec = static_cast<time_t>(milliseconds / 1000);
    timer.it_value.tv_usec = static_cast<suseconds_t>((milliseconds % 1000) * 1000);
    setitimer(ITIMER_REAL, &timer, nullptr);
}

} // namespace

void check_platform_start()
{
    stack_t stack = {};
    stack.ss_sp = g_handler_stack;
    stack.ss_size = sizeof g_handler_stack;
    sigaltstack(&stack, nullptr);

    struct sigaction action = {};
    action.sa_handler = on_fault;
    action.sa_flags = SA_ONSTACK | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    for (int signal_number : FAULT_SIGNALS) {
        sigaction(signal_number, &action, nullptr);
    }
    action.sa_handler = on_alarm;
    action.sa_flags = SA_ONSTACK;
    sigaction(SIGALRM, &action, nullptr);
}

void guard_arm(const std::string& crash_head, const std::string& crash_tail,
               const std::string& timeout_text, unsigned long timeout_ms)
{
    std::fflush(stdout);
    g_crash_head = &crash_head;
    g_crash_tail = &crash_tail;
    g_timeout_text = &timeout_text;
    g_armed = 1;
    set_alarm(timeout_ms);
}

void guard_disarm()
{
    set_alarm(0);
    g_armed = 0;
}

std::string library_load_error()
{
    const char* reason = dlerror();
    return reason != nullptr ? reason : "the library could not be loaded";
}

std::string absolute_path(const char* path)
{
    char resolved[PATH_MAX];
    if (realpath(path, resolved) != nullptr) {
        return resolved;
    }
    if (path[0] == '/') {
        return path;
    }
    char directory[4096];
    if (getcwd(directory, sizeof directory) == nullptr) {
        return path;
    }
    std::string whole = directory;
    if (whole.empty() || whole.back() != '/') {
        whole += '/';
    }
    return whole + path;
}

void wait_milliseconds(unsigned long milliseconds)
{
    timespec rest = {static_cast<time_t>(milliseconds / 1000),
                     static_cast<long>((milliseconds % 1000) * 1000000)};
    while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
    }
}

bool shift_jis_to_utf8(const std::string& bytes, std::string& out)
{
    out.clear();
    iconv_t converter = iconv_open("UTF-8", "CP932");
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        return false;
    }
    std::string input = bytes;
    char* in = input.empty() ? nullptr : &input[0];
    std::size_t in_left = input.size();
    bool whole = true;
    while (in_left > 0) {
        char buffer[1024];
        char* next = buffer;
        std::size_t room = sizeof buffer;
        std::size_t done = iconv(converter, &in, &in_left, &next, &room);
        out.append(buffer, static_cast<std::size_t>(next - buffer));
        if (done == static_cast<std::size_t>(-1) && errno != E2BIG) {
            whole = false;
            break;
        }
    }
    iconv_close(converter);
    return whole;
}
