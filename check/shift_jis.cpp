#include "shift_jis.h"

#include "check_support.h"

#include <cstdio>

namespace {

bool is_lead_byte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

bool is_trail_byte(unsigned char byte)
{
    return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC);
}

bool is_single_byte(unsigned char byte)
{
    return byte < 0x80 || (byte >= 0xA1 && byte <= 0xDF);
}

// The length of the valid character at offset, or 0 when there is none.
std::size_t character_length(std::string_view bytes, std::size_t offset)
{
    unsigned char byte = static_cast<unsigned char>(bytes[offset]);
    if (is_single_byte(byte)) {
        return 1;
    }
    if (is_lead_byte(byte) && offset + 1 < bytes.size() &&
        is_trail_byte(static_cast<unsigned char>(bytes[offset + 1]))) {
        return 2;
    }
    return 0;
}

bool is_control(unsigned char byte, bool keep_line_ends)
{
    if (keep_line_ends && (byte == '\t' || byte == '\r' || byte == '\n')) {
        return false;
    }
    return byte < 0x20 || byte == 0x7F;
}

void append_escaped(std::string& out, std::string_view bytes)
{
    for (char byte : bytes) {
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned char>(byte));
        out += escape;
    }
}

// A run of valid printable characters; one at a time when the run as a
// whole does not convert, so that only the characters without a Unicode
// form are escaped.
void append_run(std::string& out, std::string_view run)
{
    std::string converted;
    if (shift_jis_to_utf8(std::string(run), converted)) {
        out += converted;
        return;
    }
    std::size_t offset = 0;
    while (offset < run.size()) {
        std::string_view character = run.substr(offset, character_length(run, offset));
        if (shift_jis_to_utf8(std::string(character), converted)) {
            out += converted;
        } else {
            append_escaped(out, character);
        }
        offset += character.size();
    }
}

} // namespace

std::size_t first_invalid_shift_jis(std::string_view bytes)
{
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        std::size_t length = character_length(bytes, offset);
        if (length == 0) {
            return offset;
        }
        offset += length;
    }
    return std::string_view::npos;
}

std::string readable_text(std::string_view bytes, bool keep_line_ends)
{
    std::string out;
    std::size_t run_start = 0;
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        std::size_t length = character_length(bytes, offset);
        if (length > 0 && !(length == 1 && is_control(static_cast<unsigned char>(bytes[offset]), keep_line_ends))) {
            offset += length;
            continue;
        }
        append_run(out, bytes.substr(run_start, offset - run_start));
        append_escaped(out, bytes.substr(offset, 1));
        ++offset;
        run_start = offset;
    }
    append_run(out, bytes.substr(run_start, offset - run_start));
    return out;
}
