// What the tests share: a fresh program state for each test, and the files
// through which the recording module is scripted and tells what it received.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

// One call as the recording module received it.
struct Module_Call {
    std::string name;      // "load", "unload" or "request"
    long length;           // the length argument on entry
    unsigned long block;   // the heap's size of the block handed in
    int after;             // the byte after the text in its block; -1: none
    std::string bytes;     // the length's bytes of that block
};

std::string module_path(const std::string& file_name);

// Builds the recording module's script.
struct Module_Script {
    std::string text;

    Module_Script& load_answers(int result);
    Module_Script& answer(const std::string& bytes);
    Module_Script& answer_block(const std::string& block, long reported_length);
    Module_Script& answer_null(long reported_length);
    // The module reads its texts up to their first NUL byte.
    Module_Script& read_to_nul();
};

// Resets every global of the program and the window double, and gives the
// test its own log and script files for the recording module.
class Program_Test : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    void script(const Module_Script& script);
    std::vector<Module_Call> module_calls() const;
    // Only the request texts the module received, in order.
    std::vector<std::string> module_requests() const;

    std::string dir_;
    std::string log_path_;
    std::string script_path_;
};

// The request text that the program sends for an event (empty: none).
std::string sentence_request(const std::string& event_name);
std::string version_request();

// "SHIORI/2.0 200 OK" answer with a Sentence header.
std::string answer_with_sentence(const std::string& sentence);

// True when the heap reports block sizes exactly (under AddressSanitizer);
// elsewhere it may round them up.
bool exact_block_sizes();
