// The start and the end of the conversation with the module.
#pragma once

#include <string>

struct Initdata {
    // The executable's directory with its trailing separator; empty until the
    // start-up exchange, and also when the path could not be had whole.
    std::string module_dir;
};

extern Initdata g_initdata;

// Replaces out with the directory of the running executable.
void get_module_dir(std::string& out);

// The directory part of a path query's result: copied is what the query
// returned for a buffer of the given capacity. Empty when the query failed or
// the path did not fit, since a cut path names the wrong directory.
std::string module_dir_from_query(const char* buffer, unsigned long copied,
                                  unsigned long capacity, char separator);

// Loads the module with the directory, asks its version, sends "OnTwOpen".
void startup_exchange();

// The same start with a given module file and directory text: what the
// checker runs for any module.
void open_conversation(const char* module_file, const char* dir);

// Sends "OnTwClose" and unloads the module.
void shutdown_exchange();
