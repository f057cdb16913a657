// The one loaded SHIORI module and the hand-over of texts across its boundary.
#pragma once

#include "platform.h"

#include <cstddef>
#include <string>

// The module's three exports, called with the caller-cleans convention. The
// lengths are 32-bit on Windows (long there) and the native long elsewhere.
typedef int(WINAPIV* Shiori_Load_Fn)(HGLOBAL text, long length);
typedef int(WINAPIV* Shiori_Unload_Fn)();
typedef HGLOBAL(WINAPIV* Shiori_Request_Fn)(HGLOBAL text, long* length);

// The names the module exports.
extern const char SHIORI_LOAD_NAME[];
extern const char SHIORI_UNLOAD_NAME[];
extern const char SHIORI_REQUEST_NAME[];

// One step across the module's boundary, as a watcher sees it: loading the
// library (which runs the module's start-up code), each of its three exports,
// and releasing the library.
enum Shiori_Step { STEP_LIBRARY, STEP_LOAD, STEP_REQUEST, STEP_UNLOAD, STEP_RELEASE };

struct Shiori_Call {
    Shiori_Step step;
    // The library's file name, or the text handed to load or request (its
    // bytes, without the 0 byte that follows them in the block).
    const char* text;
    std::size_t text_length;
    // Filled in for the watcher's after: the answer of load and unload; for
    // the library and its release, 1 when it worked.
    int result;
    // The answer of request as the module handed it back, before the
    // program reads and frees it.
    HGLOBAL answer;
    long length;
};

// Called right before and right after every step, around the module's own
// code only. The window program sets none; the checker watches with it.
struct Shiori_Watcher {
    void (*before)(const Shiori_Call& call);
    void (*after)(const Shiori_Call& call);
};

extern Shiori_Watcher g_shiori_watcher;

struct Shiori_Module {
    HINSTANCE instance;
    Shiori_Load_Fn load_fn;
    Shiori_Unload_Fn unload_fn;
    Shiori_Request_Fn request_fn;

    Shiori_Module();

    // Loads the library, binds "load", "unload" and "request" and hands the
    // module the text. 1 when all three were found and the module's load
    // answered exactly 1, else 0.
    int load(const char* file_name, const char* text);

    // Calls the module's unload and releases the library. 1 when the library
    // was released, else 0. The fields keep their values.
    int unload();

    // Hands the request text to the module and returns its answer; empty when
    // there is no module to ask or its answer cannot be read.
    std::string request(const std::string& text);
};

extern Shiori_Module g_shiori;
