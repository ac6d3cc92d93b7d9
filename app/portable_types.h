// The few Win32 types and values the program's text logic uses. The text
// logic includes this header and nothing of the platform's, so that the very
// same source also builds natively (with a 16-bit wchar_t, -fshort-wchar)
// for fuzzing with the sanitizers.
#pragma once
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
