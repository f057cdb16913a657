// The checker's command line.
#pragma once

#include <string>

struct Check_Options {
    std::string module;
    bool dir_given;
    std::string dir;
    unsigned long ticks;
    unsigned long interval_ms;
    bool json;
    unsigned long slow_ms;
    unsigned long timeout_ms;
    bool help;
    bool version;

    Check_Options();
};

extern const char CHECK_USAGE[];

// Reads the arguments after the program name into options. False, with the
// problem in one sentence in error, when they are not usable.
bool parse_check_options(int argc, const char* const* argv, Check_Options& options,
                         std::string& error);
