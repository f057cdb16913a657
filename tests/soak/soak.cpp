// The soak: the driver's tick, over and over with no wait, against a real
// module. Under AddressSanitizer any error or leak ends it with a report; it
// also fails when the resident memory after the last tick exceeds that after
// the first thousand by more than 64 KiB.
//
// usage: tarnwhistle_soak TICKS MODULE

#include "clock.h"
#include "exchanges.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <fcntl.h>
#include <unistd.h>

// No quarantine. AddressSanitizer holds freed blocks back by design; when
// the module's answers take a new size after the first thousand ticks (the
// sample module's clock sentence gains a digit when the minute passes 9),
// the quarantine fills memory of that size up to its limit, which would pass
// for growth the program does not have. Errors and leaks are found as ever.
extern "C" const char* __asan_default_options()
{
    return "quarantine_size_mb=0:thread_local_quarantine_size_kb=0:detect_leaks=1";
}

namespace {

const unsigned long SETTLE_TICKS = 1000;
const long ALLOWED_GROWTH = 64 * 1024;

// Read with plain system calls: a FILE would take heap memory of its own
// and be counted as growth.
long resident_bytes()
{
    char text[128];
    int file = open("/proc/self/statm", O_RDONLY);
    ssize_t count = file >= 0 ? read(file, text, sizeof text - 1) : -1;
    if (file >= 0) {
        close(file);
    }
    long size = 0;
    long resident = 0;
    if (count <= 0) {
        std::fprintf(stderr, "cannot read /proc/self/statm\n");
        std::exit(2);
    }
    text[count] = '\0';
    if (std::sscanf(text, "%ld %ld", &size, &resident) != 2) {
        std::fprintf(stderr, "cannot read /proc/self/statm\n");
        std::exit(2);
    }
    return resident * sysconf(_SC_PAGESIZE);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s TICKS MODULE\n", argv[0]);
        return 2;
    }
    unsigned long ticks = std::strtoul(argv[1], nullptr, 10);
    if (ticks < SETTLE_TICKS) {
        std::fprintf(stderr, "at least %lu ticks\n", SETTLE_TICKS);
        return 2;
    }
    std::string module = argv[2];
    std::string dir = module.substr(0, module.rfind('/') + 1);

    // Its first use costs the measurement itself memory (about 128 KiB
    // here), which must not count as growth.
    resident_bytes();
    open_conversation(module.c_str(), dir.c_str());
    std::string sentence;
    long settled = 0;
    for (unsigned long tick = 1; tick <= ticks; ++tick) {
        update_clock();
        second_change(sentence);
        if (tick == SETTLE_TICKS) {
            settled = resident_bytes();
        }
    }
    long last = resident_bytes();
    shutdown_exchange();

    long growth = last - settled;
    std::printf("%lu ticks; resident after %lu: %ld KiB, after the last: %ld KiB, growth %ld bytes "
                "(allowed %ld); last sentence %zu bytes\n",
                ticks, SETTLE_TICKS, settled / 1024, last / 1024, growth, ALLOWED_GROWTH,
                sentence.size());
    if (sentence.empty()) {
        std::printf("FAIL: the module gave no sentence\n");
        return 1;
    }
    if (growth > ALLOWED_GROWTH) {
        std::printf("FAIL: the resident memory grew by more than %ld bytes\n", ALLOWED_GROWTH);
        return 1;
    }
    return 0;
}
