#include "shiori_event.h"

#include "shiori_module.h"

#include <string_view>

Shiori_Event g_event;

const char SENTENCE_HEADER[] = "Sentence: ";
const char SENTENCE_REQUEST[] = "GET Sentence";
const char EVENT_HEADER[] = "Event: ";

Shiori_Event::Shiori_Event()
{
    names[0] = "";
}

void shiori_request(std::string& out, int mode, Shiori_Event event)
{
    std::string line;
    std::string extra;
    if (mode == REQUEST_SENTENCE) {
        line = SENTENCE_REQUEST;
        line += " SHIORI/2.2";
        if (!event.names[0].empty()) {
            extra = EVENT_HEADER;
            extra += event.names[0];
            extra += "\r\n";
        }
    } else {
        line = "GET Version";
        line += " SHIORI/2.0";
    }

    std::string text = line;
    text += "\r\n";
    text += "Sender: ";
    text += "tarnwhistle";
    text += "\r\n";
    text += extra;
    text += "Charset: Shift_JIS";
    text += "\r\n";
    text += "\r\n";

    out = g_shiori.request(text);
}

namespace {

// A text read as ending at its first NUL byte, or at its end.
std::string_view up_to_nul(std::string_view text)
{
    return text.substr(0, text.find('\0'));
}

} // namespace

std::string get_sentence(const std::string& response)
{
    const std::string_view header = SENTENCE_HEADER;
    const std::string_view whole = response;

    std::size_t match = up_to_nul(whole).find(header);
    if (match == std::string_view::npos) {
        return std::string();
    }

    std::string_view rest = whole.substr(match + header.size());
    std::size_t line_end = up_to_nul(rest).find('\n');
    if (line_end == std::string_view::npos) {
        return std::string(rest);
    }
    // A CR before the LF belongs to the line end; a bare LF ends the value
    // just as well.
    if (line_end > 0 && rest[line_end - 1] == '\r') {
        --line_end;
    }
    return std::string(rest.substr(0, line_end));
}
