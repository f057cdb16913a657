#include "clock.h"

#include "shiori_event.h"

#include <climits>
#include <cstdio>

char g_clock_text[1024];

namespace {

// "%4d年%d月%2d日 %2d時%2d分%2d秒" with the characters in Shift_JIS.
const char CLOCK_FORMAT[] =
    "%4d"
    "\x94\x4e" // 年
    "%d"
    "\x8c\x8e" // 月
    "%2d"
    "\x93\xfa" // 日
    " %2d"
    "\x8e\x9e" // 時
    "%2d"
    "\x95\xaa" // 分
    "%2d"
    "\x95\x62"; // 秒

} // namespace

void update_clock()
{
    update_clock_at(std::time(nullptr));
}

void update_clock_at(std::time_t now)
{
    const std::tm* local = std::localtime(&now);
    if (local == nullptr || local->tm_year > INT_MAX - 1900) {
        return;
    }
    std::snprintf(g_clock_text, sizeof g_clock_text, CLOCK_FORMAT, local->tm_year + 1900,
                  local->tm_mon + 1, local->tm_mday, local->tm_hour, local->tm_min,
                  local->tm_sec);
}

void second_change(std::string& out)
{
    std::string answer;
    g_event.names[0] = "OnSecondChange";
    shiori_request(answer, REQUEST_SENTENCE, g_event);
    // Into the string's own memory, which it keeps from the tick before.
    out.assign(sentence_of(answer));
}
