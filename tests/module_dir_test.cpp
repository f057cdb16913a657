// The executable's directory as it is handed to the module.
#include "exchanges.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

struct Dir_Case {
    const char* name;
    std::string buffer; // what the path query left, terminator included
    unsigned long copied;
    unsigned long capacity;
    char separator;
    std::string expected;
};

void PrintTo(const Dir_Case& c, std::ostream* os)
{
    *os << c.name;
}

class Module_Dir : public ::testing::TestWithParam<Dir_Case> {};

TEST_P(Module_Dir, IsThePathUpToItsLastSeparator)
{
    const Dir_Case& c = GetParam();
    std::string buffer = c.buffer;
    buffer.resize(c.capacity, '\0');
    EXPECT_EQ(module_dir_from_query(buffer.data(), c.copied, c.capacity, c.separator), c.expected);
}

std::string query(const std::string& path)
{
    return path + std::string(1, '\0');
}

INSTANTIATE_TEST_SUITE_P(
    Paths, Module_Dir,
    ::testing::Values(
        Dir_Case{"WindowsDirectory", query("C:\\Tools\\demo\\host.exe"), 22, 260, '\\', "C:\\Tools\\demo\\"},
        Dir_Case{"DriveRoot", query("D:\\host.exe"), 11, 260, '\\', "D:\\"},
        Dir_Case{"NoSeparator", query("host.exe"), 8, 260, '\\', ""},
        // 0x83 0x5C is one Shift_JIS character whose second byte is a backslash.
        Dir_Case{"SeparatorByteInsideADoubleByteCharacter", query("C:\\app\\\x83\x5cxe.exe"), 15, 260,
                 '\\', "C:\\app\\\x83\x5c"},
        Dir_Case{"PosixDirectory", query("/opt/tw/bin/tarnwhistle"), 23, 260, '/', "/opt/tw/bin/"},
        Dir_Case{"QueryFailed", query(""), 0, 260, '\\', ""},
        Dir_Case{"PathDidNotFit", query("C:\\very\\long\\pa"), 16, 16, '\\', ""},
        Dir_Case{"UnterminatedBufferIsReadNoFurther", "C:\\a\\b", 5, 6, '\\', "C:\\a\\"}),
    [](const ::testing::TestParamInfo<Dir_Case>& info) { return std::string(info.param.name); });

TEST(Get_Module_Dir, IsTheRunningExecutablesDirectory)
{
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    ASSERT_GT(n, 0);
    std::string exe(path, static_cast<std::size_t>(n));

    std::string dir = "previous";
    get_module_dir(dir);
    EXPECT_EQ(dir, exe.substr(0, exe.rfind('/') + 1));
}

} // namespace
