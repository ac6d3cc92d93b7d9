// The few Win32 types and values the program's text logic uses. The text
// logic includes this header and nothing of the platform's, so that the very
// same source also builds natively (with a 16-bit wchar_t, -fshort-wchar)
// for fuzzing with the sanitizers.
#pragma once

// The number of elements of an array (not of a pointer).
#define ARRAY_COUNT(array) (sizeof(array) / sizeof((array)[0]))

#ifdef _WIN32
#include <windows.h>
#else
#include <stddef.h>
#include <stdint.h>

static_assert(sizeof(wchar_t) == 2, "the text logic needs UTF-16 units: build with -fshort-wchar");

typedef wchar_t WCHAR;
typedef int BOOL;
typedef unsigned char BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef uint32_t UINT;
typedef int32_t INT32;
typedef int32_t LONG;
typedef uint64_t ULONGLONG;
typedef LONG HRESULT;
typedef DWORD COLORREF;

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

#define TRUE 1
#define FALSE 0
#define S_OK ((HRESULT)0)
#define E_FAIL ((HRESULT)0x80004005)
#define E_OUTOFMEMORY ((HRESULT)0x8007000E)
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)
#endif

// What the text logic takes for granted on every target: the desktop, the
// phone (ARM, 32-bit pointers) and the native fuzzing build.
static_assert(sizeof(WCHAR) == 2 && sizeof(wchar_t) == 2, "text is counted in UTF-16 units");
static_assert(sizeof(WORD) == 2 && sizeof(DWORD) == 4 && sizeof(LONG) == 4 && sizeof(INT32) == 4,
              "the Win32 integer types have their fixed sizes");
static_assert(sizeof(ULONGLONG) == 8, "a sample count is 64-bit");
static_assert((WCHAR)-1 > 0, "a UTF-16 unit is unsigned");
