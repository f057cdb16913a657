// A SHIORI module for tests. It writes every call it receives to the file
// named by TW_MODULE_LOG and answers from the script named by
// TW_MODULE_SCRIPT.
//
// Log: one record per call, "<export> <length> <block size>\n", then the
// <length> bytes it was handed, then "\n". The block size is what the heap
// reports for the block: the exact size under AddressSanitizer and on Windows,
// at least the size elsewhere.
//
// Script, one directive per line:
//   load <n>                   load answers n (1 when not given)
//   answer <length> <size>     then <size> raw bytes and "\n": the next answer
//                              is a block of <size> bytes, reported as <length>
//   answer-null <length>       the next answer is a null handle
// Requests past the last answer get an empty answer.
//
// Built with OMIT_LOAD, OMIT_UNLOAD or OMIT_REQUEST it lacks that export.

#ifdef _WIN32
#include <windows.h>
#define MODULE_EXPORT extern "C" __declspec(dllexport)
#define MODULE_CALL __cdecl
#else
#include <malloc.h>
typedef void* HGLOBAL;
#define MODULE_EXPORT extern "C" __attribute__((visibility("default")))
#define MODULE_CALL
#endif

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Answer {
    bool null_handle;
    long length;
    std::string block;
};

struct Script {
    bool read;
    int load_result;
    std::vector<Answer> answers;
    std::size_t next;
};

Script g_script = {false, 1, {}, 0};

[[maybe_unused]] HGLOBAL block_alloc(std::size_t size)
{
#ifdef _WIN32
    return GlobalAlloc(GMEM_FIXED, size);
#else
    void* block = std::malloc(size);
    return block != nullptr ? block : std::malloc(1);
#endif
}

void block_free(HGLOBAL block)
{
#ifdef _WIN32
    GlobalFree(block);
#else
    std::free(block);
#endif
}

unsigned long block_size(HGLOBAL block)
{
    if (block == nullptr) {
        return 0;
    }
#ifdef _WIN32
    return static_cast<unsigned long>(GlobalSize(block));
#else
    return static_cast<unsigned long>(malloc_usable_size(block));
#endif
}

void read_script()
{
    if (g_script.read) {
        return;
    }
    g_script.read = true;
    const char* path = std::getenv("TW_MODULE_SCRIPT");
    if (path == nullptr) {
        return;
    }
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return;
    }
    char word[32];
    while (std::fscanf(file, "%31s", word) == 1) {
        std::string directive = word;
        if (directive == "load") {
            if (std::fscanf(file, "%d", &g_script.load_result) != 1) {
                break;
            }
        } else if (directive == "answer") {
            long length = 0;
            unsigned long size = 0;
            if (std::fscanf(file, "%ld %lu", &length, &size) != 2 || std::fgetc(file) != '\n') {
                break;
            }
            std::string bytes(size, '\0');
            if (size > 0 && std::fread(&bytes[0], 1, size, file) != size) {
                break;
            }
            g_script.answers.push_back(Answer{false, length, bytes});
        } else if (directive == "answer-null") {
            long length = 0;
            if (std::fscanf(file, "%ld", &length) != 1) {
                break;
            }
            g_script.answers.push_back(Answer{true, length, std::string()});
        } else {
            break;
        }
    }
    std::fclose(file);
}

void record(const char* call, HGLOBAL block, long length)
{
    const char* path = std::getenv("TW_MODULE_LOG");
    if (path == nullptr) {
        return;
    }
    std::FILE* file = std::fopen(path, "ab");
    if (file == nullptr) {
        return;
    }
    std::fprintf(file, "%s %ld %lu\n", call, length, block_size(block));
    if (block != nullptr && length > 0) {
        std::fwrite(block, 1, static_cast<std::size_t>(length), file);
    }
    std::fputc('\n', file);
    std::fclose(file);
}

} // namespace

#ifndef OMIT_LOAD
MODULE_EXPORT int MODULE_CALL load(HGLOBAL text, long length)
{
    // A library that stays mapped between two loads starts over all the same.
    g_script = Script{false, 1, {}, 0};
    read_script();
    record("load", text, length);
    block_free(text);
    return g_script.load_result;
}
#endif

#ifndef OMIT_UNLOAD
MODULE_EXPORT int MODULE_CALL unload()
{
    record("unload", nullptr, 0);
    return 1;
}
#endif

#ifndef OMIT_REQUEST
MODULE_EXPORT HGLOBAL MODULE_CALL request(HGLOBAL text, long* length)
{
    read_script();
    record("request", text, *length);
    block_free(text);

    if (g_script.next >= g_script.answers.size()) {
        *length = 0;
        return block_alloc(0);
    }
    const Answer& answer = g_script.answers[g_script.next++];
    *length = answer.length;
    if (answer.null_handle) {
        return nullptr;
    }
    HGLOBAL block = block_alloc(answer.block.size());
    if (block != nullptr && !answer.block.empty()) {
        std::memcpy(block, answer.block.data(), answer.block.size());
    }
    return block;
}
#endif
