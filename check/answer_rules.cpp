#include "answer_rules.h"

#include "shift_jis.h"
#include "shiori_event.h"


namespace {

const int KNOWN_STATUS_CODES[] = {200, 204, 311, 312, 400, 500};

bool is_digit(char byte)
{
    return byte >= '0' && byte <= '9';
}

bool is_known_status(int code)
{
    for (int known : KNOWN_STATUS_CODES) {
        if (code == known) {
            return true;
        }
    }
    return false;
}

// The first line that does not end in CR LF, counted from 1, or 0 when every
// line does; a last line with no line end at all counts too.
int first_bad_line_end(std::string_view answer, std::string& how)
{
    int line = 1;
    for (std::size_t offset = 0; offset < answer.size(); ++offset) {
        char byte = answer[offset];
        if (byte == '\n') {
            if (offset == 0 || answer[offset - 1] != '\r') {
                how = "ends with a bare LF";
                return line;
            }
            ++line;
        } else if (byte == '\r' && (offset + 1 >= answer.size() || answer[offset + 1] != '\n')) {
            how = offset + 1 >= answer.size() ? "ends with a CR and no LF" : "holds a CR without an LF";
            return line;
        }
    }
    if (!answer.empty() && answer.back() != '\n') {
        how = "has no line end";
        return line;
    }
    return 0;
}

} // namespace

int status_code(std::string_view answer)
{
    const std::string_view protocol = "SHIORI/2.";
    std::size_t line_end = answer.find("\r\n");
    if (line_end == std::string_view::npos) {
        return -1;
    }
    std::string_view line = answer.substr(0, line_end);
    // "SHIORI/2." digit, space, three digits, space, a reason.
    const std::size_t reason_at = protocol.size() + 6;
    if (line.size() <= reason_at || line.substr(0, protocol.size()) != protocol ||
        !is_digit(line[protocol.size()]) || line[protocol.size() + 1] != ' ' ||
        !is_digit(line[protocol.size() + 2]) || !is_digit(line[protocol.size() + 3]) ||
        !is_digit(line[protocol.size() + 4]) || line[protocol.size() + 5] != ' ') {
        return -1;
    }
    for (char byte : line.substr(reason_at)) {
        if (byte == '\r' || byte == '\n' || byte == '\0') {
            return -1;
        }
    }
    return (line[protocol.size() + 2] - '0') * 100 + (line[protocol.size() + 3] - '0') * 10 +
           (line[protocol.size() + 4] - '0');
}

void check_answer(std::string_view answer, bool sentence_request, Findings& findings)
{
    if (answer.empty()) {
        add_finding(findings, "bad-status-line", SEVERITY_BREACH,
                    "The answer is empty; it must start with a status line \"SHIORI/2.x NNN "
                    "reason\" ended by CR LF.");
        return;
    }
    int code = status_code(answer);
    if (code < 0) {
        add_finding(findings, "bad-status-line", SEVERITY_BREACH,
                    "The answer does not start with a status line \"SHIORI/2.x NNN reason\" "
                    "ended by CR LF.");
    } else if (!is_known_status(code)) {
        add_finding(findings, "unknown-status", SEVERITY_BREACH,
                    "The status code " + std::to_string(code) +
                        " is none of 200, 204, 311, 312, 400 and 500.");
    }

    std::string how;
    int bad_line = first_bad_line_end(answer, how);
    if (bad_line > 0) {
        add_finding(findings, "line-not-crlf", SEVERITY_BREACH,
                    "Line " + std::to_string(bad_line) + " of the answer " + how +
                        "; every line must end in CR LF.");
    }
    // The last line is empty and ends in CR LF; how the line before it ends
    // is the line rule's to say.
    std::string_view end = "\n\r\n";
    if (answer.size() < end.size() || answer.substr(answer.size() - end.size()) != end) {
        add_finding(findings, "no-final-empty-line", SEVERITY_BREACH,
                    "The answer does not end with an empty line (CR LF CR LF).");
    }
    std::size_t nul = answer.find('\0');
    if (nul != std::string_view::npos) {
        add_finding(findings, "nul-in-answer", SEVERITY_BREACH,
                    "Byte " + std::to_string(nul) +
                        " of the answer is a NUL; the program reads no further than it.");
    }

    std::string sentence = get_sentence(std::string(answer));
    std::size_t invalid = first_invalid_shift_jis(sentence);
    if (invalid != std::string_view::npos) {
        add_finding(findings, "sentence-not-shift-jis", SEVERITY_BREACH,
                    "The Sentence value is not valid Shift_JIS from its byte " +
                        std::to_string(invalid) + " on.");
    }
    std::string_view readable_part = answer.substr(0, nul);
    if (sentence_request && code == 200 &&
        readable_part.find(SENTENCE_HEADER) == std::string_view::npos) {
        add_finding(findings, "no-sentence", SEVERITY_WARNING,
                    "The answer is 200 but has no \"Sentence: \" header: the window would go "
                    "blank.");
    }
}
