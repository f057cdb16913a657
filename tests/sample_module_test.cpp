// The sample module that ships as korvel.dll, driven through the program's
// own request code.
#include "test_support.h"

#include "clock.h"
#include "shiori_event.h"
#include "shiori_module.h"

#include <set>

namespace {

// True when every byte is ASCII or part of a whole double-byte Shift_JIS
// character, and at least one such character is there.
bool japanese_shift_jis(const std::string& text)
{
    bool double_byte = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            continue;
        }
        bool is_lead = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC);
        if (!is_lead || i + 1 >= text.size()) {
            return false;
        }
        unsigned char trail = static_cast<unsigned char>(text[++i]);
        if (trail < 0x40 || trail == 0x7F || trail > 0xFC) {
            return false;
        }
        double_byte = true;
    }
    return double_byte;
}

// Every line ends with CR LF and the text ends with an empty line.
bool well_formed(const std::string& answer)
{
    if (answer.size() < 4 || answer.compare(answer.size() - 4, 4, "\r\n\r\n") != 0) {
        return false;
    }
    for (std::size_t i = 0; i < answer.size(); ++i) {
        if (answer[i] == '\n' && (i == 0 || answer[i - 1] != '\r')) {
            return false;
        }
    }
    return true;
}

class Sample_Module : public Program_Test {
protected:
    void SetUp() override
    {
        Program_Test::SetUp();
        ASSERT_EQ(g_shiori.load(module_path("sample_module.so").c_str(), "/opt/tw/"), 1);
    }

    void TearDown() override
    {
        EXPECT_EQ(g_shiori.unload(), 1);
        Program_Test::TearDown();
    }

    std::string ask(int mode, const char* event)
    {
        g_event.names[0] = event;
        std::string answer;
        shiori_request(answer, mode, g_event);
        EXPECT_TRUE(well_formed(answer)) << answer;
        return answer;
    }
};

TEST_F(Sample_Module, AnswersTheVersionWithItsNameAndVersion)
{
    std::string answer = ask(REQUEST_VERSION, "");
    EXPECT_EQ(answer.compare(0, 19, "SHIORI/2.0 200 OK\r\n"), 0) << answer;
    EXPECT_NE(answer.find("\r\nID: korvel sample\r\n"), std::string::npos) << answer;
    EXPECT_NE(answer.find("\r\nVersion: 1.0\r\n"), std::string::npos) << answer;
}

TEST_F(Sample_Module, GreetsOnOpenAndSaysGoodbyeOnClose)
{
    std::string greeting = get_sentence(ask(REQUEST_SENTENCE, "OnTwOpen"));
    std::string farewell = get_sentence(ask(REQUEST_SENTENCE, "OnTwClose"));
    EXPECT_TRUE(japanese_shift_jis(greeting)) << greeting;
    EXPECT_TRUE(japanese_shift_jis(farewell)) << farewell;
    EXPECT_NE(greeting, farewell);
}

TEST_F(Sample_Module, SaysSomethingJapaneseEverySecondThatChangesAsTimeGoesOn)
{
    std::set<std::string> sentences;
    for (int tick = 0; tick < 15; ++tick) {
        std::string sentence;
        second_change(sentence);
        EXPECT_TRUE(japanese_shift_jis(sentence)) << "tick " << tick << ": " << sentence;
        sentences.insert(sentence);
    }
    EXPECT_GE(sentences.size(), 3u) << "a few lines in turn";
}

TEST_F(Sample_Module, AnswersAnEventItDoesNotKnowWithNoSentence)
{
    std::string answer = ask(REQUEST_SENTENCE, "OnSomethingElse");
    EXPECT_EQ(answer.compare(0, 18, "SHIORI/2.2 204 No "), 0) << answer;
    EXPECT_EQ(get_sentence(answer), "");
}

} // namespace
