// The one loaded SHIORI module and the hand-over of texts across its boundary.
#pragma once

#include "platform.h"

#include <string>

// The module's three exports, called with the caller-cleans convention. The
// lengths are 32-bit on Windows (long there) and the native long elsewhere.
typedef int(WINAPIV* Shiori_Load_Fn)(HGLOBAL text, long length);
typedef int(WINAPIV* Shiori_Unload_Fn)();
typedef HGLOBAL(WINAPIV* Shiori_Request_Fn)(HGLOBAL text, long* length);

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
