// The once-a-second update: the clock line and the second-change event.
#pragma once

#include <ctime>
#include <string>

// The clock line, a terminated Shift_JIS text; all zero until the first update.
extern char g_clock_text[1024];

// Writes the current local date and time into g_clock_text.
void update_clock();

// The same for a given calendar time. When it has no local time, the clock
// text keeps what it held.
void update_clock_at(std::time_t now);

// Sends "OnSecondChange" and replaces out with the sentence of the answer.
void second_change(std::string& out);
