// The subset of the Windows API that kvxlink and its test programs use, declared
// for our own substitute library libwinsub (POSIX). Names, types, sizes, constants
// and signatures follow Windows so that the same core source also compiles
// against the real headers. Written from the public documentation; behaviour
// notes live beside each implementation.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__GNUC__)
#  define WINSUB_API extern "C" __attribute__((visibility("default")))
#else
#  define WINSUB_API extern "C"
#endif

#define WINAPI
#define CALLBACK
#define APIENTRY

// ---------------------------------------------------------------- base types
typedef int BOOL;
typedef unsigned char BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef int INT;
typedef unsigned int UINT;
typedef char CHAR;
typedef short SHORT;
typedef intptr_t LONG_PTR;
typedef uintptr_t UINT_PTR;
typedef uintptr_t ULONG_PTR;
typedef ULONG_PTR DWORD_PTR;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef void* HANDLE;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef BYTE* LPBYTE;
typedef BYTE* PBYTE;
typedef DWORD* LPDWORD;
typedef WORD* LPWORD;
typedef LONG* PLONG;
typedef BOOL* LPBOOL;

static_assert(sizeof(LONG) == 4 && sizeof(DWORD) == 4, "LONG and DWORD are 32 bits");
static_assert(sizeof(WPARAM) == sizeof(void*) && sizeof(LPARAM) == sizeof(void*) &&
                  sizeof(LRESULT) == sizeof(void*),
              "WPARAM, LPARAM and LRESULT are pointer-sized");

#define WINSUB_DECLARE_HANDLE(name) \
  struct name##__ {                 \
    int unused;                     \
  };                                \
  typedef struct name##__* name

WINSUB_DECLARE_HANDLE(HWND);
WINSUB_DECLARE_HANDLE(HMENU);
WINSUB_DECLARE_HANDLE(HHOOK);
WINSUB_DECLARE_HANDLE(HINSTANCE);
WINSUB_DECLARE_HANDLE(HICON);
WINSUB_DECLARE_HANDLE(HCURSOR);
WINSUB_DECLARE_HANDLE(HBRUSH);
WINSUB_DECLARE_HANDLE(HCONV);
WINSUB_DECLARE_HANDLE(HSZ);
WINSUB_DECLARE_HANDLE(HDDEDATA);
typedef HINSTANCE HMODULE;
typedef WORD ATOM;

#ifndef TRUE
#  define TRUE 1
#endif
#ifndef FALSE
#  define FALSE 0
#endif

#define MAX_PATH 260
#define INFINITE 0xFFFFFFFFu

// ---------------------------------------------------------------- structures
typedef struct tagPOINT {
  LONG x;
  LONG y;
} POINT, *LPPOINT;

typedef struct tagSIZE {
  LONG cx;
  LONG cy;
} SIZE, *LPSIZE;

typedef struct tagMSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
} MSG, *LPMSG;

typedef struct _FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
} FILETIME, *LPFILETIME;

typedef struct _WIN32_FIND_DATAA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  CHAR cFileName[MAX_PATH];
  CHAR cAlternateFileName[14];
} WIN32_FIND_DATAA, *LPWIN32_FIND_DATAA;

typedef struct _SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

typedef struct _OVERLAPPED OVERLAPPED, *LPOVERLAPPED;  // never used: pass nullptr

typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef LRESULT(CALLBACK* HOOKPROC)(int code, WPARAM wParam, LPARAM lParam);
typedef BOOL(CALLBACK* WNDENUMPROC)(HWND, LPARAM);

typedef struct tagWNDCLASSA {
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
} WNDCLASSA, *LPWNDCLASSA;

// ---------------------------------------------------------------- error codes
#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_BAD_FORMAT 11L
#define ERROR_NO_MORE_FILES 18L
#define ERROR_SHARING_VIOLATION 32L
#define ERROR_HANDLE_EOF 38L
#define ERROR_FILE_EXISTS 80L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_INVALID_NAME 123L
#define ERROR_ALREADY_EXISTS 183L
#define ERROR_MORE_DATA 234L
#define ERROR_NOT_ENOUGH_QUOTA 1816L
#define ERROR_INVALID_WINDOW_HANDLE 1400L
#define ERROR_INVALID_MENU_HANDLE 1401L
#define ERROR_INVALID_HOOK_HANDLE 1404L
#define ERROR_CLASS_ALREADY_EXISTS 1410L
#define ERROR_CANNOT_FIND_WND_CLASS 1407L
#define ERROR_INVALID_INDEX 1413L
#define ERROR_MESSAGE_SYNC_ONLY 1159L

// ---------------------------------------------------------------- messages
#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_SETFOCUS 0x0007
#define WM_KILLFOCUS 0x0008
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_ACTIVATEAPP 0x001C
#define WM_NCDESTROY 0x0082
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_SYSKEYDOWN 0x0104
#define WM_SYSKEYUP 0x0105
#define WM_SYSCHAR 0x0106
#define WM_COMMAND 0x0111
#define WM_SYSCOMMAND 0x0112
#define WM_TIMER 0x0113
#define WM_USER 0x0400
#define WM_APP 0x8000

#define SC_CLOSE 0xF060

#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001
#define PM_NOYIELD 0x0002

#define QS_KEY 0x0001
#define QS_MOUSEMOVE 0x0002
#define QS_MOUSEBUTTON 0x0004
#define QS_POSTMESSAGE 0x0008
#define QS_TIMER 0x0010
#define QS_PAINT 0x0020
#define QS_SENDMESSAGE 0x0040
#define QS_HOTKEY 0x0080
#define QS_ALLPOSTMESSAGE 0x0100
#define QS_INPUT 0x0407
#define QS_ALLEVENTS 0x04BF
#define QS_ALLINPUT 0x04FF

#define WAIT_OBJECT_0 0x00000000L
#define WAIT_TIMEOUT 258L
#define WAIT_FAILED 0xFFFFFFFFu

#define GWLP_WNDPROC (-4)
#define GWLP_HINSTANCE (-6)
#define GWLP_ID (-12)
#define GWLP_USERDATA (-21)

#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_VISIBLE 0x10000000L
#define WS_CAPTION 0x00C00000L
#define WS_SYSMENU 0x00080000L
#define WS_OVERLAPPEDWINDOW 0x00CF0000L
#define CW_USEDEFAULT ((int)0x80000000)

#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOW 5
#define SW_SHOWDEFAULT 10

// ---------------------------------------------------------------- hooks and keys
#define WH_KEYBOARD 2
#define HC_ACTION 0
#define HC_NOREMOVE 3

#define VK_CANCEL 0x03
#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12
#define VK_PAUSE 0x13
#define VK_CAPITAL 0x14
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_PRIOR 0x21
#define VK_NEXT 0x22
#define VK_END 0x23
#define VK_HOME 0x24
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_INSERT 0x2D
#define VK_DELETE 0x2E
#define VK_F1 0x70
#define VK_F2 0x71
#define VK_F12 0x7B
#define VK_NUMLOCK 0x90
#define VK_LSHIFT 0xA0
#define VK_RSHIFT 0xA1
#define VK_LCONTROL 0xA2
#define VK_RCONTROL 0xA3
#define VK_LMENU 0xA4
#define VK_RMENU 0xA5

// ---------------------------------------------------------------- menus
#define MF_BYCOMMAND 0x00000000L
#define MF_BYPOSITION 0x00000400L
#define MF_STRING 0x00000000L
#define MF_ENABLED 0x00000000L
#define MF_GRAYED 0x00000001L
#define MF_DISABLED 0x00000002L
#define MF_CHECKED 0x00000008L
#define MF_POPUP 0x00000010L
#define MF_HILITE 0x00000080L
#define MF_OWNERDRAW 0x00000100L
#define MF_SEPARATOR 0x00000800L

// ---------------------------------------------------------------- message boxes
#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_YESNO 0x00000004L
#define MB_ICONHAND 0x00000010L
#define MB_ICONQUESTION 0x00000020L
#define MB_ICONEXCLAMATION 0x00000030L
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONINFORMATION 0x00000040L
#define MB_DEFBUTTON1 0x00000000L
#define MB_DEFBUTTON2 0x00000100L
#define MB_SYSTEMMODAL 0x00001000L
#define IDOK 1
#define IDCANCEL 2
#define IDYES 6
#define IDNO 7

// ---------------------------------------------------------------- files
#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_HIDDEN 0x00000002
#define FILE_ATTRIBUTE_SYSTEM 0x00000004
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define FILE_ATTRIBUTE_TEMPORARY 0x00000100
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x00000001
#define FILE_SHARE_WRITE 0x00000002
#define FILE_SHARE_DELETE 0x00000004
#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5

// ---------------------------------------------------------------- DDEML
typedef HDDEDATA(CALLBACK* PFNCALLBACK)(UINT uType, UINT uFmt, HCONV hconv, HSZ hsz1, HSZ hsz2,
                                        HDDEDATA hdata, ULONG_PTR dwData1, ULONG_PTR dwData2);
typedef struct tagCONVCONTEXT CONVCONTEXT, *PCONVCONTEXT;  // never used: pass nullptr

#define CF_TEXT 1
#define CP_WINANSI 1004

#define APPCLASS_STANDARD 0x00000000L
#define APPCMD_CLIENTONLY 0x00000010L
#define APPCMD_FILTERINITS 0x00000020L
#define CBF_FAIL_ALLSVRXACTIONS 0x0003F000

#define DDE_FACK 0x8000
#define DDE_FBUSY 0x4000
#define DDE_FNOTPROCESSED 0x0000

#define HDATA_APPOWNED 0x0001
#define DNS_REGISTER 0x0001
#define DNS_UNREGISTER 0x0002

#define XCLASS_BOOL 0x1000
#define XCLASS_DATA 0x2000
#define XCLASS_FLAGS 0x4000
#define XCLASS_NOTIFICATION 0x8000
#define XTYPF_NOBLOCK 0x0002
#define XTYP_ERROR (0x0000 | XCLASS_NOTIFICATION | XTYPF_NOBLOCK)
#define XTYP_EXECUTE (0x0050 | XCLASS_FLAGS)
#define XTYP_CONNECT (0x0060 | XCLASS_BOOL | XTYPF_NOBLOCK)
#define XTYP_CONNECT_CONFIRM (0x0070 | XCLASS_NOTIFICATION | XTYPF_NOBLOCK)
#define XTYP_REGISTER (0x00A0 | XCLASS_NOTIFICATION | XTYPF_NOBLOCK)
#define XTYP_REQUEST (0x00B0 | XCLASS_DATA)
#define XTYP_DISCONNECT (0x00C0 | XCLASS_NOTIFICATION | XTYPF_NOBLOCK)
#define XTYP_UNREGISTER (0x00D0 | XCLASS_NOTIFICATION | XTYPF_NOBLOCK)
#define TIMEOUT_ASYNC 0xFFFFFFFFu

#define DMLERR_NO_ERROR 0
#define DMLERR_ADVACKTIMEOUT 0x4000
#define DMLERR_BUSY 0x4001
#define DMLERR_DATAACKTIMEOUT 0x4002
#define DMLERR_DLL_NOT_INITIALIZED 0x4003
#define DMLERR_DLL_USAGE 0x4004
#define DMLERR_EXECACKTIMEOUT 0x4005
#define DMLERR_INVALIDPARAMETER 0x4006
#define DMLERR_LOW_MEMORY 0x4007
#define DMLERR_MEMORY_ERROR 0x4008
#define DMLERR_NOTPROCESSED 0x4009
#define DMLERR_NO_CONV_ESTABLISHED 0x400A
#define DMLERR_POKEACKTIMEOUT 0x400B
#define DMLERR_POSTMSG_FAILED 0x400C
#define DMLERR_REENTRANCY 0x400D
#define DMLERR_SERVER_DIED 0x400E
#define DMLERR_SYS_ERROR 0x400F

// ================================================================ functions
// kernel32: errors, threads, modules, time
WINSUB_API DWORD WINAPI GetLastError(void);
WINSUB_API void WINAPI SetLastError(DWORD code);
WINSUB_API DWORD WINAPI GetCurrentThreadId(void);
WINSUB_API HMODULE WINAPI GetModuleHandleA(LPCSTR name);
WINSUB_API void WINAPI Sleep(DWORD milliseconds);
WINSUB_API DWORD WINAPI GetTickCount(void);

// kernel32: profile (WIN.INI)
WINSUB_API UINT WINAPI GetProfileIntA(LPCSTR appName, LPCSTR keyName, INT defaultValue);
WINSUB_API DWORD WINAPI GetProfileStringA(LPCSTR appName, LPCSTR keyName, LPCSTR defaultValue,
                                          LPSTR returnedString, DWORD size);

// kernel32: files
WINSUB_API HANDLE WINAPI FindFirstFileA(LPCSTR fileName, LPWIN32_FIND_DATAA findData);
WINSUB_API BOOL WINAPI FindNextFileA(HANDLE findFile, LPWIN32_FIND_DATAA findData);
WINSUB_API BOOL WINAPI FindClose(HANDLE findFile);
WINSUB_API BOOL WINAPI FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localFileTime);
WINSUB_API BOOL WINAPI FileTimeToDosDateTime(const FILETIME* fileTime, LPWORD fatDate, LPWORD fatTime);
WINSUB_API DWORD WINAPI GetFileAttributesA(LPCSTR fileName);
WINSUB_API BOOL WINAPI SetFileAttributesA(LPCSTR fileName, DWORD attributes);
WINSUB_API BOOL WINAPI DeleteFileA(LPCSTR fileName);
WINSUB_API HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                                     LPSECURITY_ATTRIBUTES securityAttributes,
                                     DWORD creationDisposition, DWORD flagsAndAttributes,
                                     HANDLE templateFile);
WINSUB_API BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
                                LPOVERLAPPED overlapped);
WINSUB_API BOOL WINAPI WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite,
                                 LPDWORD bytesWritten, LPOVERLAPPED overlapped);
WINSUB_API DWORD WINAPI GetFileSize(HANDLE file, LPDWORD fileSizeHigh);
WINSUB_API BOOL WINAPI CloseHandle(HANDLE object);
WINSUB_API DWORD WINAPI GetTempPathA(DWORD bufferLength, LPSTR buffer);

// kernel32: processes
WINSUB_API UINT WINAPI WinExec(LPCSTR cmdLine, UINT cmdShow);

// user32: window classes and windows
WINSUB_API ATOM WINAPI RegisterClassA(const WNDCLASSA* wndClass);
WINSUB_API HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName,
                                       DWORD style, int x, int y, int width, int height,
                                       HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
WINSUB_API BOOL WINAPI DestroyWindow(HWND window);
WINSUB_API BOOL WINAPI IsWindow(HWND window);
WINSUB_API LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
WINSUB_API LONG_PTR WINAPI GetWindowLongPtrA(HWND window, int index);
WINSUB_API LONG_PTR WINAPI SetWindowLongPtrA(HWND window, int index, LONG_PTR newValue);
WINSUB_API LRESULT WINAPI CallWindowProcA(WNDPROC prevWndFunc, HWND window, UINT message,
                                          WPARAM wParam, LPARAM lParam);
WINSUB_API BOOL WINAPI EnumThreadWindows(DWORD threadId, WNDENUMPROC enumFunc, LPARAM lParam);
WINSUB_API int WINAPI GetClassNameA(HWND window, LPSTR className, int maxCount);
WINSUB_API DWORD WINAPI GetWindowThreadProcessId(HWND window, LPDWORD processId);

// user32: messages and queues
WINSUB_API UINT WINAPI RegisterWindowMessageA(LPCSTR name);
WINSUB_API BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
WINSUB_API BOOL WINAPI PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam);
WINSUB_API LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
WINSUB_API void WINAPI PostQuitMessage(int exitCode);
WINSUB_API BOOL WINAPI GetMessageA(LPMSG msg, HWND window, UINT msgFilterMin, UINT msgFilterMax);
WINSUB_API BOOL WINAPI PeekMessageA(LPMSG msg, HWND window, UINT msgFilterMin, UINT msgFilterMax,
                                    UINT removeMsg);
WINSUB_API BOOL WINAPI TranslateMessage(const MSG* msg);
WINSUB_API LRESULT WINAPI DispatchMessageA(const MSG* msg);
WINSUB_API DWORD WINAPI MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll,
                                                  DWORD milliseconds, DWORD wakeMask);

// user32: keyboard
WINSUB_API HHOOK WINAPI SetWindowsHookExA(int idHook, HOOKPROC fn, HINSTANCE module, DWORD threadId);
WINSUB_API BOOL WINAPI UnhookWindowsHookEx(HHOOK hook);
WINSUB_API LRESULT WINAPI CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam);
WINSUB_API BOOL WINAPI GetKeyboardState(PBYTE keyState);

// user32: menus
WINSUB_API HMENU WINAPI CreateMenu(void);
WINSUB_API HMENU WINAPI CreatePopupMenu(void);
WINSUB_API BOOL WINAPI DestroyMenu(HMENU menu);
WINSUB_API BOOL WINAPI AppendMenuA(HMENU menu, UINT flags, UINT_PTR idNewItem, LPCSTR newItem);
WINSUB_API BOOL WINAPI SetMenu(HWND window, HMENU menu);
WINSUB_API HMENU WINAPI GetMenu(HWND window);
WINSUB_API BOOL WINAPI EnableMenuItem(HMENU menu, UINT idEnableItem, UINT enable);
WINSUB_API int WINAPI GetMenuItemCount(HMENU menu);
WINSUB_API int WINAPI GetMenuStringA(HMENU menu, UINT idItem, LPSTR string, int maxCount, UINT flags);
WINSUB_API HMENU WINAPI GetSubMenu(HMENU menu, int pos);
WINSUB_API UINT WINAPI GetMenuItemID(HMENU menu, int pos);
WINSUB_API UINT WINAPI GetMenuState(HMENU menu, UINT id, UINT flags);

// user32: message boxes and sound
WINSUB_API int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
WINSUB_API BOOL WINAPI MessageBeep(UINT type);

// DDEML
WINSUB_API UINT WINAPI DdeInitializeA(LPDWORD idInst, PFNCALLBACK callback, DWORD cmd, DWORD reserved);
WINSUB_API BOOL WINAPI DdeUninitialize(DWORD idInst);
WINSUB_API HSZ WINAPI DdeCreateStringHandleA(DWORD idInst, LPCSTR text, int codePage);
WINSUB_API BOOL WINAPI DdeFreeStringHandle(DWORD idInst, HSZ hsz);
WINSUB_API DWORD WINAPI DdeQueryStringA(DWORD idInst, HSZ hsz, LPSTR buffer, DWORD maxChars, int codePage);
WINSUB_API int WINAPI DdeCmpStringHandles(HSZ hsz1, HSZ hsz2);
WINSUB_API HDDEDATA WINAPI DdeNameService(DWORD idInst, HSZ hsz1, HSZ hsz2, UINT cmd);
WINSUB_API HCONV WINAPI DdeConnect(DWORD idInst, HSZ service, HSZ topic, PCONVCONTEXT context);
WINSUB_API BOOL WINAPI DdeDisconnect(HCONV conv);
WINSUB_API HDDEDATA WINAPI DdeCreateDataHandle(DWORD idInst, LPBYTE src, DWORD cb, DWORD cbOff,
                                               HSZ item, UINT fmt, UINT cmd);
WINSUB_API DWORD WINAPI DdeGetData(HDDEDATA data, LPBYTE dst, DWORD max, DWORD off);
WINSUB_API LPBYTE WINAPI DdeAccessData(HDDEDATA data, LPDWORD dataSize);
WINSUB_API BOOL WINAPI DdeUnaccessData(HDDEDATA data);
WINSUB_API BOOL WINAPI DdeFreeDataHandle(HDDEDATA data);
WINSUB_API HDDEDATA WINAPI DdeClientTransaction(LPBYTE data, DWORD cbData, HCONV conv, HSZ item,
                                                UINT fmt, UINT type, DWORD timeout, LPDWORD result);
WINSUB_API UINT WINAPI DdeGetLastError(DWORD idInst);
