// tarnwhistle-check: the program's conversation with a module, without the
// window, reported call by call for module authors and their builds.

#include "check_options.h"
#include "check_run.h"
#include "check_support.h"

#include <cstdio>

#ifndef TW_VERSION
#define TW_VERSION "0"
#endif

namespace {

const char HELP[] =
    "\n"
    "Runs the Tarnwhistle conversation with one SHIORI module, without the window:\n"
    "load, the version request, OnTwOpen, N OnSecondChange, OnTwClose, unload.\n"
    "Every call is reported whole, with what the module breaks of its contract.\n"
    "\n"
    "  --ticks N       the number of OnSecondChange requests (3)\n"
    "  --interval MS   the wait between them (0; 1000 is the program's pace)\n"
    "  --dir TEXT      the text handed to load (the module's directory)\n"
    "  --json          one JSON object per call, then a summary (JSON Lines)\n"
    "  --slow MS       a call slower than this is reported (100)\n"
    "  --timeout MS    a call not returned after this ends the run (10000)\n"
    "  --help, --version\n"
    "\n"
    "Exit code: 0 no breach, 1 a breach found, 2 bad usage, 3 the module crashed,\n"
    "4 a call did not return in time.\n";

} // namespace

int main(int argc, char** argv)
{
    Check_Options options;
    std::string error;
    if (!parse_check_options(argc, argv, options, error)) {
        std::fprintf(stderr, "tarnwhistle-check: %s; %s\n", error.c_str(), CHECK_USAGE);
        return 2;
    }
    if (options.help) {
        std::printf("%s\n%s", CHECK_USAGE, HELP);
        return 0;
    }
    if (options.version) {
        std::printf("tarnwhistle-check %s\n", TW_VERSION);
        return 0;
    }
    check_platform_start();
    return run_check(options);
}
