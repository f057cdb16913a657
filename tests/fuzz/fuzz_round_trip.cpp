// Fuzz target for the whole request round trip: the request goes to a real
// native module loaded with the program's own code, and the module answers
// with fuzzer-chosen bytes, length and block size, a null handle, or the
// request's own block. The program must send exactly its request with a 0
// byte after it, and take back exactly what the block holds within the
// length, never more than the block: ASan sees any read beyond it.
#include "clock.h"
#include "exchanges.h"
#include "shiori_event.h"
#include "shiori_module.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#ifndef TW_SET_ANSWER_MODULE
#error "TW_SET_ANSWER_MODULE names the module to load"
#endif

namespace {

typedef void (*Set_Answer_Fn)(int, std::size_t, long, const char*, std::size_t);
typedef void (*Record_Requests_Fn)(int);
typedef void (*Last_Request_Fn)(const char**, std::size_t*, int*);

Set_Answer_Fn g_set_answer;
Last_Request_Fn g_last_request;

template <typename Fn>
Fn module_export(const char* name)
{
    FARPROC entry = GetProcAddress(g_shiori.instance, name);
    if (entry == nullptr) {
        std::fprintf(stderr, "the module does not export %s\n", name);
        std::abort();
    }
    return reinterpret_cast<Fn>(entry);
}

// Reads the input front to back; past its end every value is 0.
struct Input {
    const std::uint8_t* data;
    std::size_t size;

    std::uint32_t take(std::size_t bytes)
    {
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < bytes; ++i) {
            value = (value << 8) | (size > 0 ? *data : 0);
            if (size > 0) {
                ++data;
                --size;
            }
        }
        return value;
    }
};

// The reported length: often near the block's size, sometimes far from it.
long choose_length(std::uint32_t choice, std::uint32_t raw, std::size_t block_size)
{
    switch (choice % 8) {
    case 0: return 0;
    case 1: return -static_cast<long>(raw % 1000) - 1;
    case 2: return LONG_MIN;
    case 3: return static_cast<long>(block_size);
    case 4: return static_cast<long>(block_size + raw % 64 + 1);
    case 5: return LONG_MAX;
    case 6: return static_cast<long>(raw % (block_size + 1));
    default: return static_cast<long>(raw);
    }
}

void fail(const char* what, const std::string& got, const std::string& want)
{
    std::fprintf(stderr, "%s: got %zu bytes, wanted %zu\n", what, got.size(), want.size());
    std::abort();
}

std::string expected_request(int mode, const std::string& event)
{
    if (mode != REQUEST_SENTENCE) {
        return "GET Version SHIORI/2.0\r\nSender: tarnwhistle\r\nCharset: Shift_JIS\r\n\r\n";
    }
    std::string text = "GET Sentence SHIORI/2.2\r\nSender: tarnwhistle\r\n";
    if (!event.empty()) {
        text += "Event: " + event + "\r\n";
    }
    return text + "Charset: Shift_JIS\r\n\r\n";
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    if (!g_shiori.load(TW_SET_ANSWER_MODULE, "fuzz")) {
        std::fprintf(stderr, "cannot load %s\n", TW_SET_ANSWER_MODULE);
        std::abort();
    }
    g_set_answer = module_export<Set_Answer_Fn>("set_answer");
    g_last_request = module_export<Last_Request_Fn>("last_request");
    module_export<Record_Requests_Fn>("record_requests")(1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Input input = {data, size};
    const int kind = static_cast<int>(input.take(1) % 3);
    const int mode = static_cast<int>(static_cast<std::int8_t>(input.take(1))) % 3;
    const std::size_t event_length = input.take(1) % 24;
    const std::size_t block_size = input.take(2) % 4096;
    const std::uint32_t length_choice = input.take(1);
    const std::uint32_t length_raw = input.take(4);
    std::string event(reinterpret_cast<const char*>(input.data), std::min(event_length, input.size));
    input.take(event.size());
    const std::string bytes(reinterpret_cast<const char*>(input.data), input.size);

    const std::string request = expected_request(mode, event);
    const std::size_t answer_block = kind == 2 ? request.size() + 1 : block_size;
    const long length = choose_length(length_choice, length_raw, answer_block);
    g_set_answer(kind, block_size, length, bytes.data(), bytes.size());
    g_event.names[0] = event;

    std::string answer = "left over";
    shiori_request(answer, mode, g_event);

    const char* sent = nullptr;
    std::size_t sent_length = 0;
    int after = 0;
    g_last_request(&sent, &sent_length, &after);
    if (std::string(sent, sent_length) != request || after != 0) {
        fail("the request handed over", std::string(sent, sent_length), request);
    }

    // What the block holds within the length, cut to the block.
    std::string want;
    if (kind != 1 && length > 0) {
        // The module makes a block of 0 bytes one byte long.
        const std::size_t module_block = block_size > 0 ? block_size : 1;
        std::string block = kind == 2 ? request + '\0' : bytes.substr(0, module_block);
        if (kind == 0) {
            block.resize(module_block, '\xA5');
        }
        want = block.substr(0, std::min(static_cast<std::size_t>(length), block.size()));
    }
    if (answer != want) {
        fail("the answer taken back", answer, want);
    }
    if (get_sentence(answer) != get_sentence(want)) {
        std::abort();
    }

    // The tick as the timer runs it, over the same module.
    std::string sentence = "left over";
    second_change(sentence);
    return 0;
}
