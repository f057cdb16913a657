// The request texts as the module receives them, byte for byte.
#include "test_support.h"

#include "shiori_event.h"
#include "shiori_module.h"

namespace {

struct Request_Case {
    const char* name;
    int mode;
    std::string event_name;
    std::string expected;
};

void PrintTo(const Request_Case& c, std::ostream* os)
{
    *os << c.name;
}

class Request_Text : public Program_Test, public ::testing::WithParamInterface<Request_Case> {};

TEST_P(Request_Text, IsComposedExactly)
{
    const Request_Case& c = GetParam();
    script(Module_Script().answer("SHIORI/2.0 200 OK\r\n\r\n"));
    ASSERT_EQ(g_shiori.load(module_path("korvel.dll").c_str(), "dir"), 1);

    Shiori_Event event;
    event.names[0] = c.event_name;
    for (int i = 1; i < 9; ++i) {
        event.names[i] = "ENTRY" + std::to_string(i);
    }
    std::string out = "previous";
    shiori_request(out, c.mode, event);

    EXPECT_EQ(out, "SHIORI/2.0 200 OK\r\n\r\n");
    std::vector<std::string> requests = module_requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], c.expected);
    EXPECT_EQ(requests[0].find("ENTRY"), std::string::npos) << "entries 1 to 8 are never sent";
    if (c.mode != REQUEST_SENTENCE && !c.event_name.empty()) {
        EXPECT_EQ(requests[0].find(c.event_name), std::string::npos);
    }
}

const std::string VERSION = "GET Version SHIORI/2.0\r\nSender: tarnwhistle\r\nCharset: Shift_JIS\r\n\r\n";

INSTANTIATE_TEST_SUITE_P(
    Modes, Request_Text,
    ::testing::Values(
        Request_Case{"VersionIgnoresTheEvent", REQUEST_VERSION, "OnSecondChange", VERSION},
        Request_Case{"VersionWithoutEvent", REQUEST_VERSION, "", VERSION},
        Request_Case{"SentenceNamesTheEvent", REQUEST_SENTENCE, "OnSecondChange",
                     "GET Sentence SHIORI/2.2\r\nSender: tarnwhistle\r\nEvent: OnSecondChange\r\n"
                     "Charset: Shift_JIS\r\n\r\n"},
        Request_Case{"SentenceWithoutEventHasNoEventLine", REQUEST_SENTENCE, "",
                     "GET Sentence SHIORI/2.2\r\nSender: tarnwhistle\r\nCharset: Shift_JIS\r\n\r\n"},
        Request_Case{"EventNameIsCopiedByteForByte", REQUEST_SENTENCE, "On\x94\x4e\\ x",
                     "GET Sentence SHIORI/2.2\r\nSender: tarnwhistle\r\nEvent: On\x94\x4e\\ x\r\n"
                     "Charset: Shift_JIS\r\n\r\n"},
        Request_Case{"ModeTwoIsAVersionRequest", 2, "OnSecondChange", VERSION},
        Request_Case{"ModeMinusOneIsAVersionRequest", -1, "OnSecondChange", VERSION}),
    [](const ::testing::TestParamInfo<Request_Case>& info) { return std::string(info.param.name); });

// One request after another, as the program sends them, each composed for
// its own mode and event whatever came before: the text of the latest
// request is kept and sent again only when nothing changed.
TEST_F(Program_Test, EachRequestInASeriesIsComposedForItself)
{
    script(Module_Script().answer("SHIORI/2.0 200 OK\r\n\r\n"));
    ASSERT_EQ(g_shiori.load(module_path("korvel.dll").c_str(), "dir"), 1);
    const std::vector<std::pair<int, std::string>> series = {
        {REQUEST_SENTENCE, "OnSecondChange"}, {REQUEST_SENTENCE, "OnSecondChange"},
        {REQUEST_VERSION, "OnSecondChange"},  {REQUEST_SENTENCE, "OnSecondChangf"},
        {REQUEST_SENTENCE, ""},               {2, ""},
        {REQUEST_SENTENCE, "OnSecondChange"}, {REQUEST_SENTENCE, "OnTwClose"}};
    std::vector<std::string> expected;
    Shiori_Event event;
    for (const auto& request : series) {
        event.names[0] = request.second;
        std::string out;
        shiori_request(out, request.first, event);
        expected.push_back(request.first == REQUEST_SENTENCE ? sentence_request(request.second)
                                                             : version_request());
    }
    EXPECT_EQ(module_requests(), expected);
}

} // namespace
