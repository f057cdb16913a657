// The checker's run: the program's conversation with one module, watched
// call by call.
#pragma once

#include "check_options.h"

// Runs the conversation and writes the report to standard output. The exit
// code: 0 with no breach, 1 with one or more. A call that faults or does not
// return ends the process from inside it, with 3 or 4.
int run_check(const Check_Options& options);
