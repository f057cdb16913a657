#include "test_support.h"

#include "clock.h"
#include "exchanges.h"
#include "main_window.h"
#include "posix/test_hooks.h"
#include "posix/window_double.h"
#include "shiori_event.h"
#include "shiori_module.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <unistd.h>

std::string module_path(const std::string& file_name)
{
    return std::string(TW_TEST_MODULE_DIR) + file_name;
}

Module_Script& Module_Script::load_answers(int result)
{
    text += "load " + std::to_string(result) + "\n";
    return *this;
}

Module_Script& Module_Script::answer(const std::string& bytes)
{
    return answer_block(bytes, static_cast<long>(bytes.size()));
}

Module_Script& Module_Script::answer_block(const std::string& block, long reported_length)
{
    text += "answer " + std::to_string(reported_length) + " " + std::to_string(block.size()) + "\n";
    text += block;
    text += "\n";
    return *this;
}

Module_Script& Module_Script::answer_null(long reported_length)
{
    text += "answer-null " + std::to_string(reported_length) + "\n";
    return *this;
}

Module_Script& Module_Script::read_to_nul()
{
    text += "read-to-nul\n";
    return *this;
}

void Program_Test::SetUp()
{
    g_shiori = Shiori_Module();
    g_shiori_watcher = Shiori_Watcher{nullptr, nullptr};
    g_event = Shiori_Event();
    g_initdata = Initdata();
    g_sentence.clear();
    std::memset(g_clock_text, 0, sizeof g_clock_text);
    reset_window_double();
    g_exit_hook = nullptr;
    g_global_alloc_failures = 0;

    std::string pattern = ::testing::TempDir() + "tarnwhistle-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    ASSERT_NE(mkdtemp(name.data()), nullptr);
    dir_ = name.data();
    log_path_ = dir_ + "/module.log";
    script_path_ = dir_ + "/module.script";
    setenv("TW_MODULE_LOG", log_path_.c_str(), 1);
    setenv("TW_MODULE_SCRIPT", script_path_.c_str(), 1);
}

void Program_Test::TearDown()
{
    unsetenv("TW_MODULE_LOG");
    unsetenv("TW_MODULE_SCRIPT");
    std::remove(log_path_.c_str());
    std::remove(script_path_.c_str());
    rmdir(dir_.c_str());
}

void Program_Test::script(const Module_Script& script)
{
    std::ofstream file(script_path_, std::ios::binary);
    file << script.text;
}

std::vector<Module_Call> Program_Test::module_calls() const
{
    std::ifstream file(log_path_, std::ios::binary);
    std::string log((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<Module_Call> calls;
    std::size_t at = 0;
    while (at < log.size()) {
        std::size_t line_end = log.find('\n', at);
        if (line_end == std::string::npos) {
            ADD_FAILURE() << "module log cut short";
            break;
        }
        std::istringstream header(log.substr(at, line_end - at));
        Module_Call call;
        header >> call.name >> call.length >> call.block >> call.after;
        std::size_t count = call.length > 0 ? static_cast<std::size_t>(call.length) : 0;
        call.bytes = log.substr(line_end + 1, count);
        at = line_end + 1 + count + 1;
        calls.push_back(call);
    }
    return calls;
}

std::vector<std::string> Program_Test::module_requests() const
{
    std::vector<std::string> requests;
    for (const Module_Call& call : module_calls()) {
        if (call.name == "request") {
            requests.push_back(call.bytes);
        }
    }
    return requests;
}

std::string version_request()
{
    return "GET Version SHIORI/2.0\r\nSender: tarnwhistle\r\nCharset: Shift_JIS\r\n\r\n";
}

std::string sentence_request(const std::string& event_name)
{
    std::string text = "GET Sentence SHIORI/2.2\r\nSender: tarnwhistle\r\n";
    if (!event_name.empty()) {
        text += "Event: " + event_name + "\r\n";
    }
    return text + "Charset: Shift_JIS\r\n\r\n";
}

std::string answer_with_sentence(const std::string& sentence)
{
    return "SHIORI/2.0 200 OK\r\nSender: korvel\r\nSentence: " + sentence + "\r\n\r\n";
}

bool exact_block_sizes()
{
#if defined(__SANITIZE_ADDRESS__)
    return true;
#else
    return false;
#endif
}
