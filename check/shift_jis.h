// Shift_JIS as the checker reads it: whether bytes form valid characters, and
// a readable UTF-8 form for the terminal.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The offset of the first byte that does not begin a valid Shift_JIS
// character (a lone byte, a lead byte without its trail byte), or npos when
// all of them do.
std::size_t first_invalid_shift_jis(std::string_view bytes);

// The bytes as UTF-8 for reading: Shift_JIS characters as themselves, and
// every control byte, invalid byte or character without a Unicode form as
// \xNN; with keep_line_ends, tabs, CRs and LFs stay as they are. Not
// reversible; the raw bytes are.
std::string readable_text(std::string_view bytes, bool keep_line_ends = false);
