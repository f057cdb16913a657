// Binding a module file and carrying texts across its boundary, with real
// test modules.
#include "test_support.h"

#include "posix/test_hooks.h"
#include "shiori_module.h"

namespace {

class Binding : public Program_Test {
protected:
    // Binds the full recording module; its load is scripted to accept.
    void bind(const Module_Script& answers = Module_Script())
    {
        script(answers);
        ASSERT_EQ(g_shiori.load(module_path("korvel.dll").c_str(), "dir"), 1);
    }
};

TEST_F(Binding, MissingFileLeavesEverythingNull)
{
    EXPECT_EQ(g_shiori.load((dir_ + "/no-such-module.dll").c_str(), "dir"), 0);
    EXPECT_EQ(g_shiori.instance, nullptr);
    EXPECT_EQ(g_shiori.load_fn, nullptr);
    EXPECT_EQ(g_shiori.unload_fn, nullptr);
    EXPECT_EQ(g_shiori.request_fn, nullptr);
}

struct Missing_Export_Case {
    const char* file;
    bool load_fn_set;
    bool unload_fn_set;
};

void PrintTo(const Missing_Export_Case& c, std::ostream* os)
{
    *os << c.file;
}

class Missing_Export : public Binding, public ::testing::WithParamInterface<Missing_Export_Case> {};

TEST_P(Missing_Export, StopsAtTheFirstMissingExportWithoutCallingLoad)
{
    const Missing_Export_Case& c = GetParam();
    EXPECT_EQ(g_shiori.load(module_path(c.file).c_str(), "dir"), 0);
    EXPECT_NE(g_shiori.instance, nullptr);
    EXPECT_EQ(g_shiori.load_fn != nullptr, c.load_fn_set);
    EXPECT_EQ(g_shiori.unload_fn != nullptr, c.unload_fn_set);
    EXPECT_EQ(g_shiori.request_fn, nullptr);
    EXPECT_TRUE(module_calls().empty()) << "the module's load must not be called";
}

INSTANTIATE_TEST_SUITE_P(Modules, Missing_Export,
                         ::testing::Values(Missing_Export_Case{"module_without_load.so", false, false},
                                           Missing_Export_Case{"module_without_unload.so", true, false},
                                           Missing_Export_Case{"module_without_request.so", true, true}));

class Load_Answer : public Binding, public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(Load_Answer, OnlyExactlyOneIsSuccess)
{
    script(Module_Script().load_answers(GetParam().first));
    EXPECT_EQ(g_shiori.load(module_path("korvel.dll").c_str(), "dir"), GetParam().second);
    EXPECT_NE(g_shiori.request_fn, nullptr);
    ASSERT_EQ(module_calls().size(), 1u);
    EXPECT_EQ(module_calls()[0].name, "load");
}

INSTANTIATE_TEST_SUITE_P(Answers, Load_Answer,
                         ::testing::Values(std::make_pair(0, 0), std::make_pair(1, 1),
                                           std::make_pair(2, 0), std::make_pair(-1, 0)));

// The module gets the text's bytes and their length; one 0 byte follows them
// in the block, outside the length, for modules that read up to a NUL.
void expect_text_handed_over(const Module_Call& call, const std::string& text)
{
    EXPECT_EQ(call.length, static_cast<long>(text.size()));
    EXPECT_EQ(call.bytes, text);
    EXPECT_EQ(call.after, 0) << "a 0 byte after the text";
    if (exact_block_sizes()) {
        EXPECT_EQ(call.block, text.size() + 1) << "the text and its 0 byte, no more";
    } else {
        EXPECT_GE(call.block, text.size() + 1);
    }
}

TEST_F(Binding, LoadHandsOverTheTextsBytesWithANulAfterThem)
{
    const std::string text = "C:\\Tools\\ab\\";
    ASSERT_EQ(text.size(), 12u);
    g_shiori.load(module_path("korvel.dll").c_str(), text.c_str());

    std::vector<Module_Call> calls = module_calls();
    ASSERT_EQ(calls.size(), 1u);
    expect_text_handed_over(calls[0], text);
}

TEST_F(Binding, AnEmptyTextIsHandedOverAsLengthZero)
{
    g_shiori.load(module_path("korvel.dll").c_str(), "");
    std::vector<Module_Call> calls = module_calls();
    ASSERT_EQ(calls.size(), 1u);
    expect_text_handed_over(calls[0], "");
}

TEST_F(Binding, RequestHandsOverTheTextsBytesWithANulAfterThem)
{
    bind();
    const std::string text("GET Sentence\r\nwith a \0 inside\r\n\r\n", 34);
    g_shiori.request(text);

    std::vector<Module_Call> calls = module_calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].name, "request");
    expect_text_handed_over(calls[1], text);
}

// Such a module would read past a block that ends with the text.
TEST_F(Binding, AModuleReadingUpToANulSeesExactlyTheTexts)
{
    script(Module_Script().read_to_nul());
    const std::string dir = "C:\\Tools\\ab\\";
    ASSERT_EQ(g_shiori.load(module_path("korvel.dll").c_str(), dir.c_str()), 1);
    g_shiori.request("GET Version SHIORI/2.0\r\n\r\n");

    std::vector<Module_Call> calls = module_calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].bytes, dir);
    EXPECT_EQ(calls[0].length, 12);
    EXPECT_EQ(calls[1].bytes, "GET Version SHIORI/2.0\r\n\r\n");
}

TEST_F(Binding, AnswerIsTheReportedLengthOfTheBlockNulsKept)
{
    std::string block(40, 'x');
    block.replace(0, 25, std::string("0123\0" "56789\0" "abcdefghijklmn", 25));
    bind(Module_Script().answer_block(block, 25).answer_block("ignored", 0));

    EXPECT_EQ(g_shiori.request("first"), block.substr(0, 25));
    EXPECT_EQ(g_shiori.request("second"), "") << "length 0 is the empty answer";
}

struct Unsafe_Answer_Case {
    const char* name;
    Module_Script answers;
};

void PrintTo(const Unsafe_Answer_Case& c, std::ostream* os)
{
    *os << c.name;
}

class Unsafe_Answer : public Binding, public ::testing::WithParamInterface<Unsafe_Answer_Case> {};

TEST_P(Unsafe_Answer, IsTakenAsEmpty)
{
    bind(GetParam().answers);
    EXPECT_EQ(g_shiori.request("GET Version\r\n\r\n"), "");
}

INSTANTIATE_TEST_SUITE_P(
    Answers, Unsafe_Answer,
    ::testing::Values(Unsafe_Answer_Case{"NullHandle", Module_Script().answer_null(12)},
                      Unsafe_Answer_Case{"NegativeLength", Module_Script().answer_block("abcdef", -3)}),
    [](const ::testing::TestParamInfo<Unsafe_Answer_Case>& info) { return std::string(info.param.name); });

TEST_F(Binding, AnswerLongerThanItsBlockIsCutToTheBlock)
{
    bind(Module_Script().answer_block("0123456789", 100000));
    std::string answer = g_shiori.request("x");
    EXPECT_EQ(answer.substr(0, 10), "0123456789");
    if (exact_block_sizes()) {
        EXPECT_EQ(answer, "0123456789");
    } else {
        EXPECT_LT(answer.size(), 100000u);
    }
}

TEST_F(Binding, ATextWhoseBlockCannotBeHadIsNotHandedOver)
{
    g_global_alloc_failures = 1;
    EXPECT_EQ(g_shiori.load(module_path("korvel.dll").c_str(), "dir"), 0);
    EXPECT_NE(g_shiori.request_fn, nullptr);
    EXPECT_TRUE(module_calls().empty()) << "the module's load must not be called";

    bind(Module_Script().answer("not asked"));
    g_global_alloc_failures = 1;
    EXPECT_EQ(g_shiori.request("GET Version SHIORI/2.0\r\n\r\n"), "");
    std::vector<Module_Call> calls = module_calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].name, "load");
}

TEST_F(Binding, UnloadReleasesTheLibraryAndKeepsTheFields)
{
    bind();
    Shiori_Module before = g_shiori;
    EXPECT_EQ(g_shiori.unload(), 1);
    EXPECT_EQ(g_shiori.instance, before.instance);
    EXPECT_EQ(g_shiori.load_fn, before.load_fn);
    EXPECT_EQ(g_shiori.unload_fn, before.unload_fn);
    EXPECT_EQ(g_shiori.request_fn, before.request_fn);
    std::vector<Module_Call> calls = module_calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].name, "unload");
}

// A module that failed to bind still gets requests and an unload from the
// program; none of them may go through a missing entry point.
struct Unbound_Case {
    const char* file; // null: nothing was loaded
    int unload_result;
    bool module_unload_called;
};

void PrintTo(const Unbound_Case& c, std::ostream* os)
{
    *os << (c.file == nullptr ? "nothing loaded" : c.file);
}

class Unbound_Module : public Binding, public ::testing::WithParamInterface<Unbound_Case> {};

TEST_P(Unbound_Module, RequestAnswersEmptyAndUnloadSkipsWhatIsMissing)
{
    const Unbound_Case& c = GetParam();
    if (c.file != nullptr) {
        g_shiori.load(module_path(c.file).c_str(), "dir");
    }
    EXPECT_EQ(g_shiori.request("GET Version SHIORI/2.0\r\n\r\n"), "");
    EXPECT_EQ(g_shiori.unload(), c.unload_result);

    std::vector<Module_Call> calls = module_calls();
    EXPECT_EQ(calls.size(), c.module_unload_called ? 1u : 0u);
    if (c.module_unload_called && !calls.empty()) {
        EXPECT_EQ(calls[0].name, "unload");
    }
}

INSTANTIATE_TEST_SUITE_P(Modules, Unbound_Module,
                         ::testing::Values(Unbound_Case{nullptr, 0, false},
                                           Unbound_Case{"module_without_load.so", 1, false},
                                           Unbound_Case{"module_without_unload.so", 1, false},
                                           Unbound_Case{"module_without_request.so", 1, true}));

} // namespace
