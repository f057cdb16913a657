// A SHIORI module whose answer is set from outside, for the fuzz target and
// the benchmarks that load it into the same process. Beside load, unload and
// request it exports:
//   set_answer(kind, block_size, length, bytes, count)
//     every later request answers so: kind 0 a block of block_size bytes,
//     at least 1 (the count bytes first, the rest 0xA5), reported as length; kind 1 a
//     null handle with that length; kind 2 the request's own block, kept and
//     handed back, reported as length
//   record_requests(on)
//     from now on (or no longer) keeps what each request handed over
//   last_request(&bytes, &length, &after)
//     what the latest request recorded handed over: its bytes, its length
//     and the byte after them in the block (-1 when the block ended there)
// Each request does no more than the least a module must: it frees or keeps
// the block it was handed and copies the answer into a new one.

#include "../common/module_memory.h"

#include <cstring>
#include <string>

namespace {

struct Answer_Setting {
    int kind;
    std::size_t block_size;
    long length;
    std::string block;
};

Answer_Setting g_answer = {0, 0, 0, std::string()};
bool g_recording = false;
std::string g_last_request;
int g_last_after = -1;

} // namespace

MODULE_EXPORT void MODULE_CALL set_answer(int kind, std::size_t block_size, long length,
                                          const char* bytes, std::size_t count)
{
    // A block of 0 bytes is one byte on the heap; it is filled all the same.
    block_size = block_size > 0 ? block_size : 1;
    g_answer.kind = kind;
    g_answer.block_size = block_size;
    g_answer.length = length;
    g_answer.block.assign(block_size, '\xA5');
    g_answer.block.replace(0, count < block_size ? count : block_size, bytes,
                           count < block_size ? count : block_size);
}

MODULE_EXPORT void MODULE_CALL record_requests(int on)
{
    g_recording = on != 0;
}

MODULE_EXPORT void MODULE_CALL last_request(const char** bytes, std::size_t* length, int* after)
{
    *bytes = g_last_request.data();
    *length = g_last_request.size();
    *after = g_last_after;
}

MODULE_EXPORT int MODULE_CALL load(HGLOBAL text, long)
{
    module_block_free(text);
    return 1;
}

MODULE_EXPORT int MODULE_CALL unload()
{
    return 1;
}

MODULE_EXPORT HGLOBAL MODULE_CALL request(HGLOBAL text, long* length)
{
    if (g_recording) {
        const char* bytes = static_cast<const char*>(text);
        std::size_t count = *length > 0 ? static_cast<std::size_t>(*length) : 0;
        g_last_request.assign(bytes, count);
        g_last_after =
            count < module_block_size(text) ? static_cast<unsigned char>(bytes[count]) : -1;
    }

    *length = g_answer.length;
    if (g_answer.kind == 2) {
        return text;
    }
    module_block_free(text);
    if (g_answer.kind == 1) {
        return nullptr;
    }
    HGLOBAL block = module_block_alloc(g_answer.block_size);
    if (block != nullptr) {
        std::memcpy(block, g_answer.block.data(), g_answer.block_size);
    }
    return block;
}
