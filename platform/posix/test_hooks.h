// Hooks of the POSIX kernel layer that let a test see or steer what the real
// system would do on its own.
#pragma once

#include "platform.h"

// Called by ExitProcess with the exit code, right before the process ends
// without running any exit procedures.
extern void (*g_exit_hook)(UINT exit_code);

// While nonzero, each GlobalAlloc fails (answers null) and counts it down:
// memory that cannot be had.
extern int g_global_alloc_failures;
