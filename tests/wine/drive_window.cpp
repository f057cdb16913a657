// A helper for the end-to-end runs: it finds the program's window and its
// message boxes from outside, tells what they hold and drives them the way a
// user or another program would. Run under the same Wine as the program.
//
// usage: drive_window COMMAND [ARGUMENTS]
//   find                     the main window: its handle, process, thread,
//                            client area on screen and window rectangle
//   close-button             the screen point of the caption's close button
//   post-command ID HIGH     posts WM_COMMAND with ID in the low word and HIGH
//                            in the high word of wParam
//   post-quit CODE           posts the quit message with CODE to the window's
//                            thread
//   box CAPTION              the message box with that caption: its owner,
//                            its text and its buttons
//   press CAPTION BUTTON     presses the button with that identifier in the
//                            message box with that caption
// It prints "key=value" lines, texts in UTF-8, and exits 0 on success, 1 when
// the window or box is not there, 2 on bad usage.
#include <windows.h>

#include <cwchar>
#include <string>

namespace {

const wchar_t MAIN_CLASS[] = L"Tarnwhistle";
const wchar_t BOX_CLASS[] = L"#32770";
const int BOX_TEXT_ID = 0xFFFF;
const int BUTTON_IDS[] = {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO};

void write_out(const std::string& bytes)
{
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()),
              &written, nullptr);
}

std::string utf8(const std::wstring& text)
{
    if (text.empty()) {
        return std::string();
    }
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                   0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size,
                        nullptr, nullptr);
    return out;
}

void print(const char* key, const std::string& value)
{
    write_out(std::string(key) + "=" + value + "\n");
}

void print(const char* key, long long value)
{
    print(key, std::to_string(value));
}

std::string handle_text(HWND window)
{
    return std::to_string(reinterpret_cast<std::uintptr_t>(window));
}

std::wstring window_text(HWND window)
{
    wchar_t buffer[1024];
    int length = GetWindowTextW(window, buffer, 1024);
    return std::wstring(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}

HWND main_window()
{
    return FindWindowW(MAIN_CLASS, MAIN_CLASS);
}

struct Box_Search {
    std::wstring caption;
    HWND found;
};

BOOL CALLBACK match_box(HWND window, LPARAM data)
{
    Box_Search* search = reinterpret_cast<Box_Search*>(data);
    wchar_t class_name[64];
    if (GetClassNameW(window, class_name, 64) == 0 || std::wcscmp(class_name, BOX_CLASS) != 0) {
        return TRUE;
    }
    if (!IsWindowVisible(window) || window_text(window) != search->caption) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

HWND find_box(const wchar_t* caption)
{
    Box_Search search = {caption, nullptr};
    EnumWindows(match_box, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

int find()
{
    HWND window = main_window();
    if (window == nullptr) {
        print("error", "no window");
        return 1;
    }
    DWORD process = 0;
    DWORD thread = GetWindowThreadProcessId(window, &process);
    RECT client;
    GetClientRect(window, &client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    RECT outer;
    GetWindowRect(window, &outer);
    print("window", handle_text(window));
    print("title", utf8(window_text(window)));
    print("process", process);
    print("thread", thread);
    print("visible", IsWindowVisible(window) ? 1 : 0);
    print("iconic", IsIconic(window) ? 1 : 0);
    print("menu", GetMenu(window) != nullptr ? 1 : 0);
    print("client_x", origin.x);
    print("client_y", origin.y);
    print("client_width", client.right - client.left);
    print("client_height", client.bottom - client.top);
    print("outer_x", outer.left);
    print("outer_y", outer.top);
    print("outer_width", outer.right - outer.left);
    print("outer_height", outer.bottom - outer.top);
    return 0;
}

// The hit test tells where the caption's close button lies, wherever the
// platform draws it.
int close_button()
{
    HWND window = main_window();
    if (window == nullptr) {
        print("error", "no window");
        return 1;
    }
    RECT outer;
    GetWindowRect(window, &outer);
    for (LONG y = outer.top; y < outer.top + 40 && y < outer.bottom; ++y) {
        for (LONG x = outer.right - 1; x >= outer.left; --x) {
            LRESULT hit = SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(x, y));
            if (hit == HTCLOSE) {
                // Aim for the middle of the button along this row.
                LONG right = x;
                LONG left = x;
                while (left > outer.left &&
                       SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(left - 1, y)) == HTCLOSE) {
                    --left;
                }
                print("x", (left + right) / 2);
                print("y", y + 4);
                return 0;
            }
        }
    }
    print("error", "no close button");
    return 1;
}

int post_command(const wchar_t* id, const wchar_t* high)
{
    HWND window = main_window();
    if (window == nullptr) {
        print("error", "no window");
        return 1;
    }
    WPARAM wparam = MAKEWPARAM(std::wcstoul(id, nullptr, 0), std::wcstoul(high, nullptr, 0));
    return PostMessageW(window, WM_COMMAND, wparam, 0) ? 0 : 1;
}

int post_quit(const wchar_t* code)
{
    HWND window = main_window();
    if (window == nullptr) {
        print("error", "no window");
        return 1;
    }
    DWORD thread = GetWindowThreadProcessId(window, nullptr);
    WPARAM wparam = std::wcstoul(code, nullptr, 0);
    return PostThreadMessageW(thread, WM_QUIT, wparam, 0) ? 0 : 1;
}

int box(const wchar_t* caption)
{
    HWND found = find_box(caption);
    if (found == nullptr) {
        print("error", "no box");
        return 1;
    }
    wchar_t text[1024];
    int length = GetDlgItemTextW(found, BOX_TEXT_ID, text, 1024);
    std::string buttons;
    for (int id : BUTTON_IDS) {
        HWND button = GetDlgItem(found, id);
        if (button != nullptr && IsWindowVisible(button)) {
            buttons += (buttons.empty() ? "" : ",") + std::to_string(id);
        }
    }
    DWORD process = 0;
    GetWindowThreadProcessId(found, &process);
    print("box", handle_text(found));
    print("process", process);
    print("owner", handle_text(GetWindow(found, GW_OWNER)));
    print("text", utf8(std::wstring(text, length > 0 ? static_cast<std::size_t>(length) : 0)));
    print("buttons", buttons);
    return 0;
}

int press(const wchar_t* caption, const wchar_t* button)
{
    HWND found = find_box(caption);
    if (found == nullptr) {
        print("error", "no box");
        return 1;
    }
    int id = static_cast<int>(std::wcstol(button, nullptr, 0));
    HWND control = GetDlgItem(found, id);
    return PostMessageW(found, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                        reinterpret_cast<LPARAM>(control))
               ? 0
               : 1;
}

int usage()
{
    print("error", "usage: drive_window find | close-button | post-command ID HIGH | "
                   "post-quit CODE | box CAPTION | press CAPTION BUTTON");
    return 2;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) {
        return usage();
    }
    std::wstring command = argv[1];
    if (command == L"find" && argc == 2) {
        return find();
    }
    if (command == L"close-button" && argc == 2) {
        return close_button();
    }
    if (command == L"post-command" && argc == 4) {
        return post_command(argv[2], argv[3]);
    }
    if (command == L"post-quit" && argc == 3) {
        return post_quit(argv[2]);
    }
    if (command == L"box" && argc == 3) {
        return box(argv[2]);
    }
    if (command == L"press" && argc == 4) {
        return press(argv[2], argv[3]);
    }
    return usage();
}
