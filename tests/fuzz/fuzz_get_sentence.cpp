// Differential fuzz target: get_sentence against a second, plain reading of
// the same steps, byte by byte. Any difference is a finding, not only a crash.
#include "shiori_event.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// The steps as written, with nothing but indexes: the search for "Sentence: "
// stops at the first NUL; the value runs to the first LF after it, or to the
// end of the answer when a NUL or the end comes first; a CR right before that
// LF is dropped, and an LF with no CR before it ends the value just as well.
std::string plain_get_sentence(const std::string& response)
{
    const char header[] = "Sentence: ";
    const std::size_t header_length = sizeof header - 1;
    std::size_t end = 0;
    while (end < response.size() && response[end] != '\0') {
        ++end;
    }
    std::size_t match = std::string::npos;
    for (std::size_t at = 0; at + header_length <= end && match == std::string::npos; ++at) {
        std::size_t same = 0;
        while (same < header_length && response[at + same] == header[same]) {
            ++same;
        }
        if (same == header_length) {
            match = at;
        }
    }
    if (match == std::string::npos) {
        return std::string();
    }
    std::size_t start = match + header_length;
    for (std::size_t at = start; at < response.size(); ++at) {
        if (response[at] == '\0') {
            break;
        }
        if (response[at] == '\n') {
            std::size_t value_end = at > start && response[at - 1] == '\r' ? at - 1 : at;
            return response.substr(start, value_end - start);
        }
    }
    return response.substr(start);
}

void print_bytes(const char* what, const std::string& bytes)
{
    std::fprintf(stderr, "%s (%zu bytes):", what, bytes.size());
    for (unsigned char byte : bytes) {
        std::fprintf(stderr, " %02x", byte);
    }
    std::fprintf(stderr, "\n");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string response(reinterpret_cast<const char*>(data), size);
    const std::string got = get_sentence(response);
    const std::string want = plain_get_sentence(response);
    if (got != want) {
        print_bytes("answer", response);
        print_bytes("get_sentence", got);
        print_bytes("the plain reading", want);
        std::abort();
    }
    return 0;
}
