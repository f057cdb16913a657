// A SHIORI module for tests. It writes every call it receives to the file
// named by TW_MODULE_LOG and answers from the script named by
// TW_MODULE_SCRIPT.
//
// Log: one record per call, "<export> <length> <block size> <after>\n", then
// the <length> bytes it was handed, then "\n". The block size is what the heap
// reports for the block (see module_block_size). <after> is the byte that
// follows the text in its block, or -1 when the block ends with the text.
//
// Script, one directive per line:
//   load <n>                   load answers n (1 when not given)
//   answer <length> <size>     then <size> raw bytes and "\n": the next answer
//                              is a block of <size> bytes, reported as <length>
//   answer-null <length>       the next answer is a null handle
//   answer-request-block <length>
//                              the next answer is the request's own block,
//                              freed before it is handed back
//   answer-exhaust             the next answer is the largest block the heap
//                              can give, reported whole, after every other
//                              block of that size has been taken and kept
//   crash <how>                the next request faults instead of answering:
//                              segv (a write through a null pointer), abort,
//                              divide (an integer division by zero), trap (an
//                              illegal instruction), bus (SIGBUS, natively)
//   sleep <ms>                 the next request waits that long, then gives
//                              the answer that follows in the script
//   repeat                     the last answer is given again for every later
//                              request (the default: an empty answer)
//   read-to-nul                texts are read up to their first NUL byte, as
//                              many modules do, not by the length handed over
//
// Built with OMIT_LOAD, OMIT_UNLOAD or OMIT_REQUEST it lacks that export.

#include "../common/module_memory.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#ifndef _WIN32
#include <time.h>
#endif

namespace {

enum Answer_Kind {
    ANSWER_BLOCK,
    ANSWER_NULL,
    ANSWER_REQUEST_BLOCK,
    ANSWER_EXHAUST,
    ANSWER_CRASH,
    ANSWER_SLEEP
};

struct Answer {
    Answer_Kind kind;
    long length;
    std::string block;
};

struct Script {
    bool read;
    int load_result;
    bool repeat;
    bool read_to_nul;
    std::vector<Answer> answers;
    std::size_t next;
};

Script g_script = {false, 1, false, false, {}, 0};

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
        long length = 0;
        if (directive == "load") {
            if (std::fscanf(file, "%d", &g_script.load_result) != 1) {
                break;
            }
        } else if (directive == "answer") {
            unsigned long size = 0;
            if (std::fscanf(file, "%ld %lu", &length, &size) != 2 || std::fgetc(file) != '\n') {
                break;
            }
            std::string bytes(size, '\0');
            if (size > 0 && std::fread(&bytes[0], 1, size, file) != size) {
                break;
            }
            g_script.answers.push_back(Answer{ANSWER_BLOCK, length, bytes});
        } else if (directive == "answer-null") {
            if (std::fscanf(file, "%ld", &length) != 1) {
                break;
            }
            g_script.answers.push_back(Answer{ANSWER_NULL, length, std::string()});
        } else if (directive == "answer-request-block") {
            if (std::fscanf(file, "%ld", &length) != 1) {
                break;
            }
            g_script.answers.push_back(Answer{ANSWER_REQUEST_BLOCK, length, std::string()});
        } else if (directive == "answer-exhaust") {
            g_script.answers.push_back(Answer{ANSWER_EXHAUST, 0, std::string()});
        } else if (directive == "crash") {
            char how[16];
            if (std::fscanf(file, "%15s", how) != 1) {
                break;
            }
            g_script.answers.push_back(Answer{ANSWER_CRASH, 0, how});
        } else if (directive == "sleep") {
            if (std::fscanf(file, "%ld", &length) != 1) {
                break;
            }
            g_script.answers.push_back(Answer{ANSWER_SLEEP, length, std::string()});
        } else if (directive == "repeat") {
            g_script.repeat = true;
        } else if (directive == "read-to-nul") {
            g_script.read_to_nul = true;
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
    const char* bytes = static_cast<const char*>(block);
    if (bytes != nullptr && g_script.read_to_nul) {
        length = static_cast<long>(std::strlen(bytes));
    }
    std::size_t size = module_block_size(block);
    int after = -1;
    if (bytes != nullptr && length >= 0 && static_cast<std::size_t>(length) < size) {
        after = static_cast<unsigned char>(bytes[length]);
    }
    std::fprintf(file, "%s %ld %lu %d\n", call, length, static_cast<unsigned long>(size), after);
    if (bytes != nullptr && length > 0) {
        std::fwrite(bytes, 1, static_cast<std::size_t>(length), file);
    }
    std::fputc('\n', file);
    std::fclose(file);
}

// Takes the largest block the heap can give, then every further block of
// that size, so that afterwards no block of that size, nor any copy of the
// first, can be had. The others are kept for good.
[[maybe_unused]] HGLOBAL exhaust_memory(long* length)
{
    std::size_t low = 0;
    std::size_t high = ~static_cast<std::size_t>(0) / 2;
    while (low < high) {
        std::size_t middle = low + (high - low + 1) / 2;
        HGLOBAL probe = module_block_alloc(middle);
        if (probe != nullptr) {
            module_block_free(probe);
            low = middle;
        } else {
            high = middle - 1;
        }
    }
    HGLOBAL largest = module_block_alloc(low);
    while (low > 0 && module_block_alloc(low) != nullptr) {
    }
    *length = static_cast<long>(low);
    return largest;
}

volatile int g_zero = 0;
volatile int g_dividend = 7;
int* volatile g_nowhere = nullptr;

// Real faults, not ones a sanitizer would catch first and report its own way.
[[maybe_unused]] __attribute__((no_sanitize("address", "undefined"))) void crash(
    const std::string& how)
{
    if (how == "abort") {
        std::abort();
    } else if (how == "divide") {
        g_zero = g_dividend / g_zero;
    } else if (how == "trap") {
        __builtin_trap();
    } else if (how == "bus") {
#ifndef _WIN32
        std::raise(SIGBUS);
#endif
    }
    *g_nowhere = 1;
}

[[maybe_unused]] void wait_milliseconds(long milliseconds)
{
#ifdef _WIN32
    Sleep(static_cast<DWORD>(milliseconds));
#else
    timespec rest = {static_cast<time_t>(milliseconds / 1000), (milliseconds % 1000) * 1000000};
    while (nanosleep(&rest, &rest) != 0) {
    }
#endif
}

// The next answer of the script. The request's block has been freed already;
// one kind of answer hands it back all the same.
[[maybe_unused]] HGLOBAL scripted_answer(HGLOBAL request_block, long* length)
{
    std::size_t index = g_script.next;
    if (index >= g_script.answers.size()) {
        if (!g_script.repeat || g_script.answers.empty()) {
            *length = 0;
            return module_block_alloc(0);
        }
        index = g_script.answers.size() - 1;
    }
    g_script.next = index + 1;
    const Answer& answer = g_script.answers[index];
    if (answer.kind == ANSWER_CRASH) {
        crash(answer.block);
    }
    if (answer.kind == ANSWER_SLEEP) {
        wait_milliseconds(answer.length);
        return scripted_answer(request_block, length);
    }
    if (answer.kind == ANSWER_REQUEST_BLOCK) {
        *length = answer.length;
        return request_block;
    }
    if (answer.kind == ANSWER_EXHAUST) {
        return exhaust_memory(length);
    }
    *length = answer.length;
    if (answer.kind == ANSWER_NULL) {
        return nullptr;
    }
    HGLOBAL block = module_block_alloc(answer.block.size());
    if (block != nullptr && !answer.block.empty()) {
        std::memcpy(block, answer.block.data(), answer.block.size());
    }
    return block;
}

} // namespace

#ifndef OMIT_LOAD
MODULE_EXPORT int MODULE_CALL load(HGLOBAL text, long length)
{
    // A library that stays mapped between two loads starts over all the same.
    g_script = Script{false, 1, false, false, {}, 0};
    read_script();
    record("load", text, length);
    module_block_free(text);
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
    module_block_free(text);
    return scripted_answer(text, length);
}
#endif
