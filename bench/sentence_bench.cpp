// get_sentence over large answers with the header near their end, beside
// memmem and memchr over the same bytes.
#include "shiori_event.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

namespace {

// size bytes of header lines, the Sentence header near the end.
std::string large_answer(std::size_t size)
{
    const std::string tail = "Sentence: near the end\r\nCharset: Shift_JIS\r\n\r\n";
    std::string answer = "SHIORI/2.2 200 OK\r\n";
    const std::string line = "X-Filler: Sender Sentence-like text, SHIORI/2.2 200 OK\r\n";
    while (answer.size() + line.size() + tail.size() <= size) {
        answer += line;
    }
    answer.append(size - answer.size() - tail.size(), 'x');
    return answer + tail;
}

void BM_Get_Sentence(benchmark::State& state)
{
    const std::string answer = large_answer(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        std::string sentence = get_sentence(answer);
        benchmark::DoNotOptimize(sentence.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(answer.size()));
}
BENCHMARK(BM_Get_Sentence)->Arg(1 << 10)->Arg(64 << 10)->Arg(1 << 20);

void BM_Get_Sentence_Floor(benchmark::State& state)
{
    const std::string answer = large_answer(static_cast<std::size_t>(state.range(0)));
    const char header[] = "Sentence: ";
    for (auto _ : state) {
        const char* match = static_cast<const char*>(
            memmem(answer.data(), answer.size(), header, sizeof header - 1));
        const char* value = match + sizeof header - 1;
        const void* end = std::memchr(value, '\n', answer.size() - static_cast<std::size_t>(value - answer.data()));
        benchmark::DoNotOptimize(end);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(answer.size()));
}
BENCHMARK(BM_Get_Sentence_Floor)->Arg(1 << 10)->Arg(64 << 10)->Arg(1 << 20);

} // namespace
