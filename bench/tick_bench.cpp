// One tick's own cost: second_change as the timer calls it, against a
// module that does the least a module can, beside a floor that does only
// the irreducible work of the same exchange.
#include "clock.h"
#include "shiori_event.h"
#include "shiori_module.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

typedef void (*Set_Answer_Fn)(int, std::size_t, long, const char*, std::size_t);

// An answer like the sample module's, with a Japanese sentence.
const std::string ANSWER =
    "SHIORI/2.2 200 OK\r\nSender: korvel\r\nSentence: "
    "\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd\x81\x42 15\x8e\x9e\x33\x30\x95\xaa\x82\xc9"
    "\x82\xc8\x82\xe8\x82\xdc\x82\xb5\x82\xbd\x81\x42\r\nCharset: Shift_JIS\r\n\r\n";

const char TICK_REQUEST[] =
    "GET Sentence SHIORI/2.2\r\nSender: tarnwhistle\r\nEvent: OnSecondChange\r\n"
    "Charset: Shift_JIS\r\n\r\n";

void load_module()
{
    if (g_shiori.request_fn != nullptr) {
        return;
    }
    if (!g_shiori.load(TW_SET_ANSWER_MODULE, "bench")) {
        std::fprintf(stderr, "cannot load %s\n", TW_SET_ANSWER_MODULE);
        std::exit(1);
    }
    FARPROC entry = GetProcAddress(g_shiori.instance, "set_answer");
    reinterpret_cast<Set_Answer_Fn>(entry)(0, ANSWER.size(), static_cast<long>(ANSWER.size()),
                                           ANSWER.data(), ANSWER.size());
}

void BM_Tick(benchmark::State& state)
{
    load_module();
    std::string sentence;
    for (auto _ : state) {
        second_change(sentence);
        benchmark::DoNotOptimize(sentence.data());
    }
    if (sentence.empty()) {
        state.SkipWithError("the tick found no sentence");
    }
}
BENCHMARK(BM_Tick);

// The same request bytes, built once; one block and copy in, the module's
// call, one copy out, the header found with memmem and the line end with
// memchr.
void BM_Tick_Floor(benchmark::State& state)
{
    load_module();
    const std::size_t request_length = sizeof TICK_REQUEST - 1;
    const char header[] = "Sentence: ";
    std::size_t found = 0;
    for (auto _ : state) {
        char* block = static_cast<char*>(GlobalAlloc(GMEM_FIXED, request_length));
        std::memcpy(block, TICK_REQUEST, request_length);
        long length = static_cast<long>(request_length);
        HGLOBAL answer = g_shiori.request_fn(block, &length);
        char* copy = static_cast<char*>(std::malloc(static_cast<std::size_t>(length)));
        std::memcpy(copy, answer, static_cast<std::size_t>(length));
        GlobalFree(answer);
        const char* match = static_cast<const char*>(
            memmem(copy, static_cast<std::size_t>(length), header, sizeof header - 1));
        const char* value = match + sizeof header - 1;
        const char* end = static_cast<const char*>(
            std::memchr(value, '\n', static_cast<std::size_t>(copy + length - value)));
        found = static_cast<std::size_t>(end - value);
        benchmark::DoNotOptimize(found);
        std::free(copy);
    }
    if (found == 0) {
        state.SkipWithError("the floor found no sentence");
    }
}
BENCHMARK(BM_Tick_Floor);

// What the event record handed to the request by value costs per tick: nine
// strings copied and destroyed.
__attribute__((noinline)) std::size_t take_event(Shiori_Event event)
{
    return event.names[0].size();
}

void BM_Event_Copy(benchmark::State& state)
{
    g_event.names[0] = "OnSecondChange";
    for (auto _ : state) {
        benchmark::DoNotOptimize(take_event(g_event));
    }
}
BENCHMARK(BM_Event_Copy);

} // namespace
