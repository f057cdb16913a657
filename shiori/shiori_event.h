// The event record and the SHIORI/2.x texts: composing requests and reading the
// sentence out of an answer.
#pragma once

#include <string>
#include <string_view>

// names[0] is the event name; entries 1 to 8 are never assigned nor sent.
struct Shiori_Event {
    std::string names[9];

    Shiori_Event();
};

extern Shiori_Event g_event;

// Request modes; any other value is composed as REQUEST_VERSION.
const int REQUEST_VERSION = 0;
const int REQUEST_SENTENCE = 1;

// Composes the request of the given mode from the event, sends it to g_shiori
// and replaces out with the module's answer.
void shiori_request(std::string& out, int mode, Shiori_Event event);

// "Sentence: ", the header that carries the sentence.
extern const char SENTENCE_HEADER[];

// How a sentence request begins, and the header that names its event.
extern const char SENTENCE_REQUEST[];
extern const char EVENT_HEADER[];

// The value of the first "Sentence: " header, without its line end; empty when
// there is none.
std::string get_sentence(const std::string& response);

// The same value as a view into the response, for a caller that keeps it in
// a string of its own without a copy in between.
std::string_view sentence_of(std::string_view response);
