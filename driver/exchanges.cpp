#include "exchanges.h"

#include "platform.h"
#include "shiori_event.h"
#include "shiori_module.h"

#include <cstring>

Initdata g_initdata;

namespace {

const char MODULE_FILE_NAME[] = "korvel.dll";
const DWORD PATH_CAPACITY = 260;

} // namespace

std::string module_dir_from_query(const char* buffer, unsigned long copied,
                                  unsigned long capacity, char separator)
{
    if (copied == 0 || copied >= capacity) {
        return std::string();
    }
    // Read no further than the buffer, terminated or not.
    const void* nul = std::memchr(buffer, '\0', capacity);
    std::size_t length = nul == nullptr ? capacity : static_cast<std::size_t>(static_cast<const char*>(nul) - buffer);
    std::string path(buffer, length);
    // Byte by byte: a separator byte counts even as the second byte of a
    // double-byte character.
    std::size_t cut = path.rfind(separator);
    if (cut == std::string::npos) {
        return std::string();
    }
    path.resize(cut + 1);
    return path;
}

void get_module_dir(std::string& out)
{
    char buffer[PATH_CAPACITY];
    buffer[0] = '\0';
    DWORD copied = GetModuleFileNameA(nullptr, buffer, PATH_CAPACITY);
    out = module_dir_from_query(buffer, copied, PATH_CAPACITY, PATH_SEPARATOR);
}

void startup_exchange()
{
    get_module_dir(g_initdata.module_dir);
    open_conversation(MODULE_FILE_NAME, g_initdata.module_dir.c_str());
}

void open_conversation(const char* module_file, const char* dir)
{
    std::string answer;
    // Whatever the module made of loading, the conversation goes on the same.
    g_shiori.load(module_file, dir);
    shiori_request(answer, REQUEST_VERSION, g_event);
    g_event.names[0] = "OnTwOpen";
    shiori_request(answer, REQUEST_SENTENCE, g_event);
}

void shutdown_exchange()
{
    std::string answer;
    g_event.names[0] = "OnTwClose";
    shiori_request(answer, REQUEST_SENTENCE, g_event);
    g_shiori.unload();
}
