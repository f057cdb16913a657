// The rules an answer to a request must keep, read from its bytes.
#pragma once

#include "findings.h"

#include <string>
#include <string_view>

// The status code of the status line "SHIORI/2.x NNN reason" that starts the
// answer and ends in CR LF, or -1 when it does not start with one.
int status_code(std::string_view answer);

// The breaches of the answer's form, and the warning for a 200 answer to a
// sentence request that gives the window nothing to show.
void check_answer(std::string_view answer, bool sentence_request, Findings& findings);
