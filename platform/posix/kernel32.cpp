// The kernel part of the platform layer on POSIX systems: shared objects
// stand in for DLLs, and global memory blocks are plain heap blocks, so that a
// module built as a shared object frees the texts it is handed with free() and
// hands back answers made with malloc(), which the program releases.
#include "platform.h"
#include "posix/test_hooks.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <string>

void (*g_exit_hook)(UINT exit_code) = nullptr;
int g_global_alloc_failures = 0;

namespace {

const std::size_t PATH_BUFFER = 4096;

// Reads the running executable's full path into path, without a terminator,
// and returns its length; 0 when it cannot be read whole. Takes nothing from
// the heap, so it serves when memory has run out.
std::size_t read_executable_path(char (&path)[PATH_BUFFER])
{
    ssize_t n = readlink("/proc/self/exe", path, PATH_BUFFER);
    if (n <= 0 || static_cast<std::size_t>(n) >= PATH_BUFFER) {
        return 0;
    }
    return static_cast<std::size_t>(n);
}

// Its directory with the trailing '/', or empty.
std::string executable_dir()
{
    char path[PATH_BUFFER];
    std::string dir(path, read_executable_path(path));
    std::size_t slash = dir.rfind('/');
    return slash == std::string::npos ? std::string() : dir.substr(0, slash + 1);
}

} // namespace

// Like Windows, a bare file name is looked for in the program's own directory
// first; a name with a directory in it goes to dlopen as it is.
HMODULE LoadLibraryA(LPCSTR file_name)
{
    if (file_name == nullptr) {
        return nullptr;
    }
    void* handle = nullptr;
    if (std::strchr(file_name, '/') == nullptr) {
        std::string dir = executable_dir();
        if (!dir.empty()) {
            handle = dlopen((dir + file_name).c_str(), RTLD_NOW | RTLD_LOCAL);
        }
    }
    if (handle == nullptr) {
        handle = dlopen(file_name, RTLD_NOW | RTLD_LOCAL);
    }
    return static_cast<HMODULE>(handle);
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name)
{
    if (module == nullptr || name == nullptr) {
        return nullptr;
    }
    // dlsym hands out code addresses as data pointers; POSIX guarantees the
    // round trip.
    void* address = dlsym(module, name);
    FARPROC entry = nullptr;
    static_assert(sizeof entry == sizeof address, "code and data pointers differ in size");
    std::memcpy(&entry, &address, sizeof entry);
    return entry;
}

BOOL FreeLibrary(HMODULE module)
{
    if (module == nullptr) {
        return FALSE;
    }
    return dlclose(module) == 0 ? TRUE : FALSE;
}

HGLOBAL GlobalAlloc(UINT, SIZE_T bytes)
{
    if (g_global_alloc_failures > 0) {
        --g_global_alloc_failures;
        return nullptr;
    }
    void* block = std::malloc(bytes);
    if (block == nullptr && bytes == 0) {
        block = std::malloc(1);
    }
    return block;
}

void* GlobalLock(HGLOBAL block)
{
    return block;
}

SIZE_T GlobalSize(HGLOBAL block)
{
    return block == nullptr ? 0 : malloc_usable_size(block);
}

HGLOBAL GlobalFree(HGLOBAL block)
{
    std::free(block);
    return nullptr;
}

// As on Windows: the path is cut to fit and terminated, and the capacity is
// returned when it did not fit.
DWORD GetModuleFileNameA(HMODULE, LPSTR buffer, DWORD capacity)
{
    if (buffer == nullptr || capacity == 0) {
        return 0;
    }
    char path[PATH_BUFFER];
    std::size_t length = read_executable_path(path);
    if (length == 0) {
        buffer[0] = '\0';
        return 0;
    }
    if (length >= capacity) {
        std::memcpy(buffer, path, capacity - 1);
        buffer[capacity - 1] = '\0';
        return capacity;
    }
    std::memcpy(buffer, path, length);
    buffer[length] = '\0';
    return static_cast<DWORD>(length);
}

HMODULE GetModuleHandleA(LPCSTR name)
{
    if (name != nullptr) {
        return nullptr;
    }
    return static_cast<HMODULE>(dlopen(nullptr, RTLD_LAZY));
}

void ExitProcess(UINT exit_code)
{
    if (g_exit_hook != nullptr) {
        g_exit_hook(exit_code);
    }
    std::fflush(nullptr);
    _exit(static_cast<int>(exit_code));
}
