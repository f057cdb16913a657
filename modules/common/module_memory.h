// What a module needs of the program's memory blocks: the texts it is handed
// are its own and it frees them; the answers it hands back are fixed blocks
// that the program frees. On Windows these are global memory blocks; natively
// the program's platform layer makes them plain heap blocks.
#pragma once

#ifdef _WIN32
#include <windows.h>
#define MODULE_EXPORT extern "C" __declspec(dllexport)
#define MODULE_CALL __cdecl
#else
#include <cstdlib>
#include <malloc.h>
typedef void* HGLOBAL;
#define MODULE_EXPORT extern "C" __attribute__((visibility("default")))
#define MODULE_CALL
#endif

#include <cstddef>

// A block of size bytes for an answer; null when memory has run out.
inline HGLOBAL module_block_alloc(std::size_t size)
{
#ifdef _WIN32
    return GlobalAlloc(GMEM_FIXED, size);
#else
    return std::malloc(size > 0 ? size : 1);
#endif
}

inline void module_block_free(HGLOBAL block)
{
#ifdef _WIN32
    GlobalFree(block);
#else
    std::free(block);
#endif
}

// The size the heap reports for a block: exact on Windows and under
// AddressSanitizer, at least the size asked for elsewhere.
inline std::size_t module_block_size(HGLOBAL block)
{
    if (block == nullptr) {
        return 0;
    }
#ifdef _WIN32
    return GlobalSize(block);
#else
    return malloc_usable_size(block);
#endif
}
