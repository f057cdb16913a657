#include "check_options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

const char CHECK_USAGE[] =
    "usage: tarnwhistle-check [--ticks N] [--interval MS] [--dir TEXT] [--json] [--slow MS] "
    "[--timeout MS] MODULE";

Check_Options::Check_Options()
    : dir_given(false), ticks(3), interval_ms(0), json(false), slow_ms(100), timeout_ms(10000),
      help(false), version(false)
{
}

namespace {

// Only plain decimal digits: no sign, no spaces, nothing after them.
bool read_count(const std::string& text, unsigned long& value)
{
    if (text.empty() || text.size() > 9) {
        return false;
    }
    for (char byte : text) {
        if (byte < '0' || byte > '9') {
            return false;
        }
    }
    value = std::strtoul(text.c_str(), nullptr, 10);
    return true;
}

} // namespace

bool parse_check_options(int argc, const char* const* argv, Check_Options& options,
                         std::string& error)
{
    struct Count_Option {
        const char* name;
        unsigned long* value;
        bool may_be_zero;
    };
    const Count_Option counts[] = {
        {"--ticks", &options.ticks, true},
        {"--interval", &options.interval_ms, true},
        {"--slow", &options.slow_ms, true},
        {"--timeout", &options.timeout_ms, false},
    };

    bool module_given = false;
    bool options_ended = false;
    for (int index = 1; index < argc; ++index) {
        std::string argument = argv[index];
        if (options_ended || argument.empty() || argument[0] != '-' || argument == "-") {
            if (module_given) {
                error = "more than one module given: \"" + argument + "\"";
                return false;
            }
            options.module = argument;
            module_given = true;
            continue;
        }
        if (argument == "--") {
            options_ended = true;
            continue;
        }
        if (argument == "--help" || argument == "-h") {
            options.help = true;
            return true;
        }
        if (argument == "--version") {
            options.version = true;
            return true;
        }
        if (argument == "--json") {
            options.json = true;
            continue;
        }

        // The rest take a value, as "--name VALUE" or "--name=VALUE".
        std::string name = argument;
        std::string value;
        bool has_value = false;
        std::size_t equals = argument.find('=');
        if (equals != std::string::npos) {
            name = argument.substr(0, equals);
            value = argument.substr(equals + 1);
            has_value = true;
        }
        const Count_Option* count = nullptr;
        for (const Count_Option& candidate : counts) {
            if (name == candidate.name) {
                count = &candidate;
            }
        }
        if (count == nullptr && name != "--dir") {
            error = "unknown option \"" + name + "\"";
            return false;
        }
        if (!has_value) {
            if (index + 1 >= argc) {
                error = "option " + name + " needs a value";
                return false;
            }
            value = argv[++index];
        }
        if (count == nullptr) {
            options.dir = value;
            options.dir_given = true;
            continue;
        }
        if (!read_count(value, *count->value) || (!count->may_be_zero && *count->value == 0)) {
            error = "option " + name + " needs a whole number of at most 9 digits" +
                    (count->may_be_zero ? "" : ", above 0") + ", not \"" + value + "\"";
            return false;
        }
    }
    if (!module_given) {
        error = "no module given";
        return false;
    }
    return true;
}
