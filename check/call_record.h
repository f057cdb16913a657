// One call into the module as the checker saw it, the run's totals, and the
// two ways of writing them: a transcript for people and JSON Lines for tools.
#pragma once

#include "findings.h"
#include "shiori_module.h"

#include <cstddef>
#include <string>

struct Call_Record {
    int index;
    Shiori_Step step;
    // The event of a request ("GET Version" for the version request), the
    // library's file name, or empty.
    std::string label;
    bool sentence_request;
    // The bytes handed over: the directory text of load, the whole request.
    std::string sent;
    // load's and unload's answer; 1 or 0 for loading and releasing the library.
    int result;
    bool answer_null;
    long length;
    std::size_t block_size;
    // The answer's bytes: the length reported, cut to the block.
    std::string answer;
    long long microseconds;
    Findings findings;

    Call_Record();
};

struct Check_Summary {
    std::string module;
    std::string dir;
    int calls;
    int breaches;
    int warnings;

    Check_Summary();
};

const char* step_name(Shiori_Step step);

std::string text_header(const Check_Summary& summary);
std::string text_call(const Call_Record& call);
std::string text_summary(const Check_Summary& summary, int exit_code, const std::string& end);
// What is written when the call faults: the fault's name goes between the two.
std::string text_crash_head(const Call_Record& call);
std::string text_timeout(const Call_Record& call, unsigned long timeout_ms);

std::string json_call(const Call_Record& call);
std::string json_summary(const Check_Summary& summary, int exit_code, const std::string& end);
std::string json_crash_head(const Call_Record& call);
std::string json_crash_tail(const Call_Record& call);
std::string json_timeout(const Call_Record& call, unsigned long timeout_ms);
