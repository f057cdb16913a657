#include "check_run.h"

#include "answer_rules.h"
#include "call_record.h"
#include "check_support.h"
#include "clock.h"
#include "exchanges.h"
#include "platform.h"
#include "shiori_event.h"
#include "shiori_module.h"

#include <chrono>
#include <cstdio>

namespace {

struct Check_Run {
    Check_Options options;
    Check_Summary summary;
    Call_Record call;
    std::chrono::steady_clock::time_point started;
    // Ready before each call, for the guard to write should the call not end.
    std::string crash_head;
    std::string crash_tail;
    std::string timeout_text;
};

Check_Run g_run;

const char* const EXPORT_NAMES[] = {SHIORI_LOAD_NAME, SHIORI_UNLOAD_NAME, SHIORI_REQUEST_NAME};

void write_text(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
}

// The event a request is for, from its own text.
std::string request_label(const std::string& request)
{
    const std::string event = std::string("\r\n") + EVENT_HEADER;
    std::size_t at = request.find(event);
    if (at != std::string::npos) {
        std::size_t start = at + event.size();
        return request.substr(start, request.find("\r\n", start) - start);
    }
    std::size_t line_end = request.find(" SHIORI/");
    return request.substr(0, line_end);
}

std::string ending(int exit_code, const Call_Record& call)
{
    std::string where = " in call #" + std::to_string(call.index);
    return exit_code == 3 ? "the module crashed" + where : "the module hung" + where;
}

void prepare_guard(const Call_Record& call)
{
    const Check_Options& options = g_run.options;
    Check_Summary counted = g_run.summary;
    counted.calls = call.index;
    if (options.json) {
        g_run.crash_head = json_crash_head(call);
        g_run.crash_tail = json_crash_tail(call) + json_summary(counted, 3, ending(3, call));
        g_run.timeout_text = json_timeout(call, options.timeout_ms) +
                             json_summary(counted, 4, ending(4, call));
    } else {
        g_run.crash_head = text_crash_head(call);
        g_run.crash_tail = ".\n" + text_summary(counted, 3, ending(3, call));
        g_run.timeout_text = text_timeout(call, options.timeout_ms) +
                             text_summary(counted, 4, ending(4, call));
    }
}

void before_call(const Shiori_Call& step)
{
    Call_Record& call = g_run.call;
    call = Call_Record();
    call.index = g_run.summary.calls + 1;
    call.step = step.step;
    if (step.text != nullptr) {
        call.sent.assign(step.text, step.text_length);
    }
    if (step.step == STEP_LIBRARY) {
        call.label = call.sent;
    } else if (step.step == STEP_REQUEST) {
        call.label = request_label(call.sent);
        const std::string sentence_request = SENTENCE_REQUEST;
        call.sentence_request = call.sent.compare(0, sentence_request.size(), sentence_request) == 0;
    }
    prepare_guard(call);
    guard_arm(g_run.crash_head, g_run.crash_tail, g_run.timeout_text, g_run.options.timeout_ms);
    g_run.started = std::chrono::steady_clock::now();
}

void read_answer_block(const Shiori_Call& step, Call_Record& call)
{
    call.length = step.length;
    if (step.answer == nullptr) {
        call.answer_null = true;
        add_finding(call.findings, "null-answer", SEVERITY_BREACH,
                    "The module answered with a null handle.");
        return;
    }
    call.block_size = GlobalSize(step.answer);
    if (step.length < 0) {
        add_finding(call.findings, "negative-length", SEVERITY_BREACH,
                    "The module reported a negative length, " + std::to_string(step.length) + ".");
        return;
    }
    std::size_t count = static_cast<std::size_t>(step.length);
    if (count > call.block_size) {
        add_finding(call.findings, "length-beyond-block", SEVERITY_BREACH,
                    "The module reported " + std::to_string(step.length) +
                        " bytes but its block holds " + std::to_string(call.block_size) +
                        "; the program reads only the block.");
        count = call.block_size;
    }
    const char* bytes = static_cast<const char*>(GlobalLock(step.answer));
    if (bytes != nullptr && count > 0) {
        call.answer.assign(bytes, count);
    }
    check_answer(call.answer, call.sentence_request, call.findings);
}

void check_library(const Shiori_Call& step, Call_Record& call, const std::string& load_error)
{
    if (step.result != 1) {
        add_finding(call.findings, "cannot-load", SEVERITY_BREACH,
                    "The file cannot be loaded: " + load_error);
        return;
    }
    for (const char* name : EXPORT_NAMES) {
        if (GetProcAddress(g_shiori.instance, name) == nullptr) {
            add_finding(call.findings, "missing-export", SEVERITY_BREACH,
                        std::string("The module does not export \"") + name +
                            "\"; the program loads no module without all three exports.");
        }
    }
}

void after_call(const Shiori_Call& step)
{
    auto ended = std::chrono::steady_clock::now();
    std::string load_error;
    if (step.step == STEP_LIBRARY && step.result != 1) {
        load_error = library_load_error();
    }
    guard_disarm();

    Call_Record& call = g_run.call;
    call.microseconds =
        std::chrono::duration_cast<std::chrono::microseconds>(ended - g_run.started).count();
    call.result = step.result;
    if (step.step == STEP_LIBRARY) {
        check_library(step, call, load_error);
    } else if (step.step == STEP_LOAD && step.result != 1) {
        add_finding(call.findings, "load-not-1", SEVERITY_BREACH,
                    "load answered " + std::to_string(step.result) +
                        " instead of 1; the program goes on, but the module said it failed.");
    } else if (step.step == STEP_REQUEST) {
        read_answer_block(step, call);
    }
    const unsigned long long slow_us = g_run.options.slow_ms * 1000ull;
    if (call.microseconds > 0 && static_cast<unsigned long long>(call.microseconds) > slow_us) {
        add_finding(call.findings, "slow-call", SEVERITY_WARNING,
                    "The call took " + std::to_string(call.microseconds / 1000) +
                        " ms, more than " + std::to_string(g_run.options.slow_ms) + " ms.");
    }

    g_run.summary.calls = call.index;
    for (const Finding& finding : call.findings) {
        ++(finding.severity == SEVERITY_BREACH ? g_run.summary.breaches : g_run.summary.warnings);
    }
    write_text(g_run.options.json ? json_call(call) : text_call(call));
}

std::string directory_of(const std::string& path)
{
    std::size_t cut = path.rfind(PATH_SEPARATOR);
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

} // namespace

int run_check(const Check_Options& options)
{
    g_run.options = options;
    g_run.summary.module = absolute_path(options.module.c_str());
    g_run.summary.dir = options.dir_given ? options.dir : directory_of(g_run.summary.module);
    if (!options.json) {
        write_text(text_header(g_run.summary));
    }

    g_shiori_watcher.before = before_call;
    g_shiori_watcher.after = after_call;
    std::string sentence;
    open_conversation(g_run.summary.module.c_str(), g_run.summary.dir.c_str());
    for (unsigned long tick = 0; tick < options.ticks; ++tick) {
        if (tick > 0 && options.interval_ms > 0) {
            wait_milliseconds(options.interval_ms);
        }
        second_change(sentence);
    }
    shutdown_exchange();
    g_shiori_watcher.before = nullptr;
    g_shiori_watcher.after = nullptr;

    int exit_code = g_run.summary.breaches > 0 ? 1 : 0;
    std::string end = exit_code == 0 ? "no breach" : "the module breaks the contract";
    write_text(options.json ? json_summary(g_run.summary, exit_code, end)
                            : text_summary(g_run.summary, exit_code, end));
    std::fflush(stdout);
    return exit_code;
}
