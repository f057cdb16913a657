// The one header through which the program reaches the operating system.
//
// On Windows it is <windows.h> itself. Elsewhere it declares, in the same
// shapes, the few kernel, user-interface and graphics names that the program
// uses; a real kernel layer over POSIX (platform/posix/kernel32.cpp) and a
// scripted window double for tests (platform/posix/window_double.cpp) stand
// behind them.
#pragma once

#ifdef _WIN32

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

// The byte that ends the directory part of a file path.
#define PATH_SEPARATOR '\\'

#else // not Windows

#include <cstddef>
#include <cstdint>

#define PATH_SEPARATOR '/'

// Calling conventions mean nothing here; the names keep the code alike on
// both sides.
#define WINAPI
#define WINAPIV
#define CALLBACK

typedef int BOOL;
typedef unsigned int UINT;
typedef std::uint32_t DWORD;
typedef std::uint16_t WORD;
typedef std::uint16_t ATOM;
typedef long LONG;
typedef std::uintptr_t WPARAM;
typedef std::intptr_t LPARAM;
typedef std::intptr_t LRESULT;
typedef std::size_t SIZE_T;
typedef DWORD COLORREF;
typedef char* LPSTR;
typedef const char* LPCSTR;

typedef void* HANDLE;
typedef void* HGLOBAL;
typedef struct Platform_Module* HINSTANCE;
typedef HINSTANCE HMODULE;
typedef struct Platform_Window* HWND;
typedef struct Platform_Dc* HDC;
typedef void* HGDIOBJ;
typedef struct Platform_Brush* HBRUSH;
typedef struct Platform_Icon* HICON;
typedef struct Platform_Cursor* HCURSOR;
typedef struct Platform_Menu* HMENU;
typedef void (*FARPROC)();

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// ---- kernel: libraries, global memory, the process ---------------------

#define MAX_PATH 260
#define GMEM_FIXED 0x0000u

HMODULE LoadLibraryA(LPCSTR file_name);
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
BOOL FreeLibrary(HMODULE module);

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
void* GlobalLock(HGLOBAL block);
SIZE_T GlobalSize(HGLOBAL block);
HGLOBAL GlobalFree(HGLOBAL block);

DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD capacity);
HMODULE GetModuleHandleA(LPCSTR name);
[[noreturn]] void ExitProcess(UINT exit_code);

// ---- user interface and graphics ----------------------------------------

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

struct POINT {
    LONG x;
    LONG y;
};

struct PAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    unsigned char rgbReserved[32];
};

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};

typedef LRESULT (CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef void (CALLBACK* TIMERPROC)(HWND, UINT, std::uintptr_t, DWORD);

struct WNDCLASSA {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
};

#define LOWORD(value) (static_cast<WORD>(static_cast<std::uintptr_t>(value) & 0xFFFFu))
#define RGB(r, g, b)                                                                    \
    (static_cast<COLORREF>(static_cast<unsigned char>(r)) |                             \
     (static_cast<COLORREF>(static_cast<unsigned char>(g)) << 8) |                      \
     (static_cast<COLORREF>(static_cast<unsigned char>(b)) << 16))
#define MAKEINTRESOURCEA(id) (reinterpret_cast<LPCSTR>(static_cast<std::uintptr_t>(id)))

#define WM_CREATE 0x0001u
#define WM_DESTROY 0x0002u
#define WM_PAINT 0x000Fu
#define WM_CLOSE 0x0010u
#define WM_QUIT 0x0012u
#define WM_COMMAND 0x0111u
#define WM_TIMER 0x0113u

#define CS_VREDRAW 0x0001u
#define CS_HREDRAW 0x0002u
#define WS_OVERLAPPEDWINDOW 0x00CF0000u
#define CW_USEDEFAULT (static_cast<int>(0x80000000u))

#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOWMINIMIZED 2
#define SW_SHOWDEFAULT 10

#define IDI_APPLICATION MAKEINTRESOURCEA(32512)
#define IDC_ARROW MAKEINTRESOURCEA(32512)
#define WHITE_BRUSH 0

#define MB_OK 0x00000000u
#define MB_YESNO 0x00000004u
#define MB_ICONHAND 0x00000010u
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONQUESTION 0x00000020u
#define IDOK 1
#define IDYES 6
#define IDNO 7

#define DT_WORDBREAK 0x00000010u

ATOM RegisterClassA(const WNDCLASSA* window_class);
HICON LoadIconA(HINSTANCE instance, LPCSTR name);
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);
HWND CreateWindowExA(DWORD ex_style, LPCSTR class_name, LPCSTR title, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     void* param);
BOOL ShowWindow(HWND window, int show_command);
BOOL UpdateWindow(HWND window);
BOOL DestroyWindow(HWND window);
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

BOOL GetMessageA(MSG* msg, HWND window, UINT filter_min, UINT filter_max);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageA(const MSG* msg);
void PostQuitMessage(int exit_code);
LRESULT SendMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

std::uintptr_t SetTimer(HWND window, std::uintptr_t id, UINT period_ms, TIMERPROC timer_proc);
BOOL KillTimer(HWND window, std::uintptr_t id);

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT flags);

BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase);
BOOL GetClientRect(HWND window, RECT* rect);
HDC BeginPaint(HWND window, PAINTSTRUCT* paint);
BOOL EndPaint(HWND window, const PAINTSTRUCT* paint);
int DrawTextA(HDC dc, LPCSTR text, int count, RECT* rect, UINT format);

HGDIOBJ GetStockObject(int object);
COLORREF SetTextColor(HDC dc, COLORREF colour);
BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int count);

#endif // not Windows
