#include "shiori_module.h"

#include <climits>
#include <cstring>

Shiori_Module g_shiori;

namespace {

// Every entry point is reached through the plain code pointer type first, the
// one cast between function pointer types that compilers accept silently.
template <typename Fn>
Fn entry_point(HINSTANCE instance, const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(instance, name)));
}

// A fixed block holding the text's bytes and one 0 byte after them; null when
// it cannot be had. The length handed over with it leaves the 0 out: it is
// there for modules that read a text up to its first NUL, whatever its length
// says. Once handed over, the block belongs to the module.
HGLOBAL text_block(const char* bytes, std::size_t length)
{
    char* block = static_cast<char*>(GlobalAlloc(GMEM_FIXED, length + 1));
    if (block != nullptr) {
        if (length > 0) {
            std::memcpy(block, bytes, length);
        }
        block[length] = '\0';
    }
    return block;
}

// The answer's bytes, or empty when the block or the length cannot be
// trusted. A length beyond the block is cut to the block.
std::string read_answer(HGLOBAL answer, long length)
{
    const char* bytes = static_cast<const char*>(GlobalLock(answer));
    if (bytes == nullptr || length <= 0) {
        return std::string();
    }
    std::size_t count = static_cast<std::size_t>(length);
    SIZE_T block_size = GlobalSize(answer);
    if (count > block_size) {
        count = block_size;
    }
    return std::string(bytes, count);
}

} // namespace

Shiori_Module::Shiori_Module()
    : instance(nullptr), load_fn(nullptr), unload_fn(nullptr), request_fn(nullptr)
{
}

int Shiori_Module::load(const char* file_name, const char* text)
{
    instance = LoadLibraryA(file_name);
    if (instance == nullptr) {
        return 0;
    }
    load_fn = entry_point<Shiori_Load_Fn>(instance, "load");
    if (load_fn == nullptr) {
        return 0;
    }
    unload_fn = entry_point<Shiori_Unload_Fn>(instance, "unload");
    if (unload_fn == nullptr) {
        return 0;
    }
    request_fn = entry_point<Shiori_Request_Fn>(instance, "request");
    if (request_fn == nullptr) {
        return 0;
    }
    std::size_t length = std::strlen(text);
    if (length > static_cast<std::size_t>(LONG_MAX)) {
        return 0;
    }
    HGLOBAL block = text_block(text, length);
    if (block == nullptr) {
        return 0;
    }
    return load_fn(block, static_cast<long>(length)) == 1 ? 1 : 0;
}

int Shiori_Module::unload()
{
    if (unload_fn != nullptr) {
        unload_fn();
    }
    if (instance == nullptr) {
        return 0;
    }
    return FreeLibrary(instance) != 0 ? 1 : 0;
}

std::string Shiori_Module::request(const std::string& text)
{
    if (request_fn == nullptr || text.size() > static_cast<std::size_t>(LONG_MAX)) {
        return std::string();
    }
    HGLOBAL block = text_block(text.data(), text.size());
    if (block == nullptr) {
        return std::string();
    }
    long length = static_cast<long>(text.size());
    HGLOBAL answer = request_fn(block, &length);
    if (answer == nullptr) {
        return std::string();
    }
    std::string result = read_answer(answer, length);
    GlobalFree(answer);
    return result;
}
