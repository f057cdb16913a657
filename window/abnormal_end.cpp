#include "main_window.h"

namespace {

bool g_abnormal_end_begun = false;

const char ABNORMAL_END_TEXT[] = "Abnormal program termination";
const UINT ABNORMAL_END_EXIT_CODE = 3;

} // namespace

bool abnormal_end_begun()
{
    return g_abnormal_end_begun;
}

// Builds nothing on the heap: memory may be what ran out.
void abnormal_end()
{
    g_abnormal_end_begun = true;

    char path[MAX_PATH];
    DWORD copied = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (copied == 0 || copied > MAX_PATH) {
        path[0] = '\0';
    }
    path[MAX_PATH - 1] = '\0';
    const char* file_name = path;
    for (const char* p = path; *p != '\0'; ++p) {
        if (*p == PATH_SEPARATOR) {
            file_name = p + 1;
        }
    }

    MessageBoxA(nullptr, ABNORMAL_END_TEXT, file_name, MB_OK | MB_ICONSTOP);
    ExitProcess(ABNORMAL_END_EXIT_CODE);
}
