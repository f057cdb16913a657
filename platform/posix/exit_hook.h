// Lets a test see the end of the process: called by ExitProcess with the exit
// code, right before the process ends without running any exit procedures.
#pragma once

#include "platform.h"

extern void (*g_exit_hook)(UINT exit_code);
