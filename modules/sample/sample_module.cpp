// The sample SHIORI module that ships beside Tarnwhistle as korvel.dll. Copy
// it to start a module of your own.
//
// The contract between the program and a module:
// - Three exports with these undecorated names, called with the cdecl
//   (caller-cleans) convention:
//     int     load(HGLOBAL text, long length)     answer exactly 1 to accept
//     int     unload(void)                        the answer is ignored
//     HGLOBAL request(HGLOBAL text, long* length) the answer's block
// - load gets the directory of the program's executable, ending with its
//   backslash, e.g. "C:\Tools\tarnwhistle\".
// - Every text handed to the module (the directory and each request) is a
//   fixed global memory block (GMEM_FIXED: the handle is the address) holding
//   `length` bytes and then one 0 byte that the length does not count. The
//   block is the module's from then on: free it with GlobalFree.
// - request answers with a block the module allocates with
//   GlobalAlloc(GMEM_FIXED, n) and writes the answer's length in bytes into
//   *length. The program copies the answer and frees the block itself; the
//   answer needs no 0 byte after it.
// - Requests and answers are SHIORI/2.x texts: a first line, header lines
//   "Name: value", an empty line; every line ends with CR LF; all text is
//   Shift_JIS. The program sends "GET Version SHIORI/2.0" once, then
//   "GET Sentence SHIORI/2.2" with an "Event: " header: OnTwOpen at start,
//   OnSecondChange once a second, OnTwClose when the user quits. It shows
//   the value of the first "Sentence: " header of each OnSecondChange answer.
//
// This module greets on OnTwOpen, says goodbye on OnTwClose, and on each
// second tells the time of day and one of a few lines that change every five
// seconds. Its Japanese texts are written as Shift_JIS bytes, with the text
// itself in the comment beside each.

#include "../common/module_memory.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

namespace {

const char MODULE_NAME[] = "korvel sample";
const char MODULE_VERSION[] = "1.0";

// おはようございます。
const char MORNING[] = "\x82\xa8\x82\xcd\x82\xe6\x82\xa4\x82\xb2\x82\xb4\x82\xa2\x82\xdc\x82\xb7\x81\x42";
// こんにちは。
const char DAYTIME[] = "\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd\x81\x42";
// こんばんは。
const char EVENING[] = "\x82\xb1\x82\xf1\x82\xce\x82\xf1\x82\xcd\x81\x42";
// %d時%02d分になりました。
const char TIME_OF_DAY[] =
    "%d\x8e\x9e%02d\x95\xaa\x82\xc9\x82\xc8\x82\xe8\x82\xdc\x82\xb5\x82\xbd\x81\x42";
// Tarnwhistle へようこそ！ 一秒ごとに話しかけてくださいね。
const char GREETING[] =
    "Tarnwhistle \x82\xd6\x82\xe6\x82\xa4\x82\xb1\x82\xbb\x81\x49 \x88\xea\x95\x62\x82\xb2\x82\xc6"
    "\x82\xc9\x98\x62\x82\xb5\x82\xa9\x82\xaf\x82\xc4\x82\xad\x82\xbe\x82\xb3\x82\xa2\x82\xcb\x81\x42";
// さようなら。 またお会いしましょう。
const char FAREWELL[] = "\x82\xb3\x82\xe6\x82\xa4\x82\xc8\x82\xe7\x81\x42 \x82\xdc\x82\xbd\x82\xa8"
                        "\x89\xef\x82\xa2\x82\xb5\x82\xdc\x82\xb5\x82\xe5\x82\xa4\x81\x42";

const char* const LINES[] = {
    // korvel.dll を 差し替えれば、 あなたの モジュールが ここで 話します。
    "korvel.dll \x82\xf0 \x8d\xb7\x82\xb5\x91\xd6\x82\xa6\x82\xea\x82\xce\x81\x41 \x82\xa0\x82\xc8"
    "\x82\xbd\x82\xcc \x83\x82\x83\x57\x83\x85\x81\x5b\x83\x8b\x82\xaa \x82\xb1\x82\xb1\x82\xc5 "
    "\x98\x62\x82\xb5\x82\xdc\x82\xb7\x81\x42",
    // 一秒ごとに OnSecondChange が 届きます。
    "\x88\xea\x95\x62\x82\xb2\x82\xc6\x82\xc9 OnSecondChange \x82\xaa \x93\xcd\x82\xab\x82\xdc\x82\xb7"
    "\x81\x42",
    // 答えの Sentence: が この青い 文字に なります。
    "\x93\x9a\x82\xa6\x82\xcc Sentence: \x82\xaa \x82\xb1\x82\xcc\x90\xc2\x82\xa2 \x95\xb6\x8e\x9a\x82"
    "\xc9 \x82\xc8\x82\xe8\x82\xdc\x82\xb7\x81\x42",
};
const int LINE_COUNT = sizeof LINES / sizeof LINES[0];
const int SECONDS_PER_LINE = 5;

// What the module keeps between calls.
std::string g_directory;
long g_seconds = 0;

// The value of the header "name: " in a request, or empty.
std::string header_value(const std::string& request, const char* name)
{
    std::string key = std::string("\r\n") + name + ": ";
    std::size_t start = request.find(key);
    if (start == std::string::npos) {
        return std::string();
    }
    start += key.size();
    std::size_t end = request.find("\r\n", start);
    return request.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string time_of_day()
{
    std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    if (local == nullptr) {
        return std::string();
    }
    const char* greeting = local->tm_hour >= 5 && local->tm_hour < 11    ? MORNING
                           : local->tm_hour >= 11 && local->tm_hour < 18 ? DAYTIME
                                                                         : EVENING;
    char clock[64];
    std::snprintf(clock, sizeof clock, TIME_OF_DAY, local->tm_hour, local->tm_min);
    return std::string(greeting) + " " + clock;
}

std::string sentence_answer(const std::string& sentence)
{
    return "SHIORI/2.2 200 OK\r\nSender: korvel\r\nSentence: " + sentence +
           "\r\nCharset: Shift_JIS\r\n\r\n";
}

std::string answer_to(const std::string& request)
{
    if (request.compare(0, 12, "GET Version ") == 0) {
        return std::string("SHIORI/2.0 200 OK\r\nSender: korvel\r\nID: ") + MODULE_NAME +
               "\r\nVersion: " + MODULE_VERSION + "\r\nCharset: Shift_JIS\r\n\r\n";
    }
    if (request.compare(0, 13, "GET Sentence ") != 0) {
        return "SHIORI/2.2 400 Bad Request\r\nSender: korvel\r\n\r\n";
    }
    std::string event = header_value(request, "Event");
    if (event == "OnTwOpen") {
        return sentence_answer(GREETING);
    }
    if (event == "OnTwClose") {
        return sentence_answer(FAREWELL);
    }
    if (event == "OnSecondChange") {
        const char* line = LINES[(g_seconds / SECONDS_PER_LINE) % LINE_COUNT];
        ++g_seconds;
        return sentence_answer(time_of_day() + " " + line);
    }
    return "SHIORI/2.2 204 No Content\r\nSender: korvel\r\n\r\n";
}

} // namespace

MODULE_EXPORT int MODULE_CALL load(HGLOBAL text, long length)
{
    // The directory is where a module would find its own files.
    g_directory.assign(static_cast<const char*>(text), length > 0 ? static_cast<std::size_t>(length) : 0);
    g_seconds = 0;
    module_block_free(text);
    return 1;
}

MODULE_EXPORT int MODULE_CALL unload()
{
    g_directory.clear();
    return 1;
}

MODULE_EXPORT HGLOBAL MODULE_CALL request(HGLOBAL text, long* length)
{
    std::string request(static_cast<const char*>(text), *length > 0 ? static_cast<std::size_t>(*length) : 0);
    module_block_free(text);

    std::string answer = answer_to(request);
    HGLOBAL block = module_block_alloc(answer.size());
    if (block == nullptr) {
        *length = 0;
        return nullptr;
    }
    std::memcpy(block, answer.data(), answer.size());
    *length = static_cast<long>(answer.size());
    return block;
}
