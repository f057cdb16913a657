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

namespace {

// The latest request text and what it was composed from. The same request is
// sent every second, so it is composed again only when the mode or the event
// name differ from the latest; after the first request of each kind no
// memory is taken for it.
struct Composed_Request {
    bool valid;
    bool sentence;
    std::string event_name;
    std::string text;
};

Composed_Request g_composed = {false, false, std::string(), std::string()};

template <std::size_t N>
void append(std::string& text, const char (&literal)[N])
{
    text.append(literal, N - 1);
}

void compose(std::string& text, bool sentence, const std::string& event_name)
{
    text.clear();
    if (sentence) {
        append(text, SENTENCE_REQUEST);
        append(text, " SHIORI/2.2");
    } else {
        append(text, "GET Version");
        append(text, " SHIORI/2.0");
    }
    append(text, "\r\n");
    append(text, "Sender: ");
    append(text, "tarnwhistle");
    append(text, "\r\n");
    if (sentence && !event_name.empty()) {
        append(text, EVENT_HEADER);
        text += event_name;
        append(text, "\r\n");
    }
    append(text, "Charset: Shift_JIS");
    append(text, "\r\n");
    append(text, "\r\n");
}

} // namespace

void shiori_request(std::string& out, int mode, Shiori_Event event)
{
    const bool sentence = mode == REQUEST_SENTENCE;
    // The version request does not read the event at all.
    static const std::string no_event;
    const std::string& event_name = sentence ? event.names[0] : no_event;
    Composed_Request& latest = g_composed;
    if (!latest.valid || latest.sentence != sentence || latest.event_name != event_name) {
        latest.valid = false;
        compose(latest.text, sentence, event_name);
        latest.event_name = event_name;
        latest.sentence = sentence;
        latest.valid = true;
    }
    out = g_shiori.request(latest.text);
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
    return std::string(sentence_of(response));
}

std::string_view sentence_of(std::string_view whole)
{
    const std::string_view header = SENTENCE_HEADER;

    // Both searches end at the first NUL: it lies after the header when the
    // header is found, so it bounds the search for the line end as well.
    const std::string_view readable = up_to_nul(whole);
    std::size_t match = readable.find(header);
    if (match == std::string_view::npos) {
        return std::string_view();
    }

    std::string_view rest = whole.substr(match + header.size());
    std::size_t line_end = readable.substr(match + header.size()).find('\n');
    if (line_end == std::string_view::npos) {
        return rest;
    }
    // A CR before the LF belongs to the line end; a bare LF ends the value
    // just as well.
    if (line_end > 0 && rest[line_end - 1] == '\r') {
        --line_end;
    }
    return rest.substr(0, line_end);
}
