#include "shiori_module.h"

#include <climits>
#include <cstring>

Shiori_Module g_shiori;
Shiori_Watcher g_shiori_watcher = {nullptr, nullptr};

const char SHIORI_LOAD_NAME[] = "load";
const char SHIORI_UNLOAD_NAME[] = "unload";
const char SHIORI_REQUEST_NAME[] = "request";

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

Shiori_Call step_call(Shiori_Step step, const char* text, std::size_t text_length)
{
    Shiori_Call call = {step, text, text_length, 0, nullptr, 0};
    return call;
}

void watch_before(const Shiori_Call& call)
{
    if (g_shiori_watcher.before != nullptr) {
        g_shiori_watcher.before(call);
    }
}

void watch_after(const Shiori_Call& call)
{
    if (g_shiori_watcher.after != nullptr) {
        g_shiori_watcher.after(call);
    }
}

} // namespace

Shiori_Module::Shiori_Module()
    : instance(nullptr), load_fn(nullptr), unload_fn(nullptr), request_fn(nullptr)
{
}

int Shiori_Module::load(const char* file_name, const char* text)
{
    Shiori_Call library = step_call(STEP_LIBRARY, file_name, std::strlen(file_name));
    watch_before(library);
    instance = LoadLibraryA(file_name);
    library.result = instance != nullptr ? 1 : 0;
    watch_after(library);
    if (instance == nullptr) {
        return 0;
    }
    load_fn = entry_point<Shiori_Load_Fn>(instance, SHIORI_LOAD_NAME);
    if (load_fn == nullptr) {
        return 0;
    }
    unload_fn = entry_point<Shiori_Unload_Fn>(instance, SHIORI_UNLOAD_NAME);
    if (unload_fn == nullptr) {
        return 0;
    }
    request_fn = entry_point<Shiori_Request_Fn>(instance, SHIORI_REQUEST_NAME);
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
    Shiori_Call call = step_call(STEP_LOAD, text, length);
    watch_before(call);
    call.result = load_fn(block, static_cast<long>(length));
    watch_after(call);
    return call.result == 1 ? 1 : 0;
}

int Shiori_Module::unload()
{
    if (unload_fn != nullptr) {
        Shiori_Call call = step_call(STEP_UNLOAD, nullptr, 0);
        watch_before(call);
        call.result = unload_fn();
        watch_after(call);
    }
    if (instance == nullptr) {
        return 0;
    }
    Shiori_Call release = step_call(STEP_RELEASE, nullptr, 0);
    watch_before(release);
    release.result = FreeLibrary(instance) != 0 ? 1 : 0;
    watch_after(release);
    return release.result;
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
    Shiori_Call call = step_call(STEP_REQUEST, text.data(), text.size());
    watch_before(call);
    HGLOBAL answer = request_fn(block, &length);
    call.answer = answer;
    call.length = length;
    watch_after(call);
    if (answer == nullptr) {
        return std::string();
    }
    std::string result = read_answer(answer, length);
    GlobalFree(answer);
    return result;
}
