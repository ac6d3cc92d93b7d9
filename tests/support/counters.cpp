#include "counters.h"

#include <windows.h>
#include <psapi.h>
#include <string.h>

#include "support/import_hooks.h"

static volatile long ownAllocations, ownThreads, wineAllocations, gdiCreated;
static volatile DWORD countedThreads[2];

static void Count(volatile long *counter)
{
    DWORD first = countedThreads[0], second = countedThreads[1];
    DWORD self = GetCurrentThreadId();
    if ((first == 0 && second == 0) || self == first || self == second)
        InterlockedIncrement(counter);
}

// One replacement per function: counts the call and passes it on.
#define COUNTED(counter, result, name, parameters, arguments)                                                        \
    static result(__cdecl * real_##name) parameters = NULL;                                                           \
    static result __cdecl counted_##name parameters                                                                  \
    {                                                                                                                 \
        Count(&counter);                                                                                              \
        return real_##name arguments;                                                                                 \
    }
#define COUNTED_API(counter, result, name, parameters, arguments)                                                    \
    static result(WINAPI * real_##name) parameters = NULL;                                                            \
    static result WINAPI counted_##name parameters                                                                   \
    {                                                                                                                 \
        Count(&counter);                                                                                              \
        return real_##name arguments;                                                                                 \
    }

COUNTED(ownAllocations, void *, malloc, (size_t size), (size))
COUNTED(ownAllocations, void *, calloc, (size_t count, size_t size), (count, size))
COUNTED(ownAllocations, void *, realloc, (void *block, size_t size), (block, size))
COUNTED(ownAllocations, char *, _strdup, (const char *text), (text))
COUNTED(ownAllocations, wchar_t *, _wcsdup, (const wchar_t *text), (text))
COUNTED_API(ownAllocations, LPVOID, HeapAlloc, (HANDLE heap, DWORD flags, SIZE_T size), (heap, flags, size))
COUNTED_API(ownAllocations, LPVOID, HeapReAlloc, (HANDLE heap, DWORD flags, LPVOID block, SIZE_T size),
            (heap, flags, block, size))
COUNTED_API(ownAllocations, HLOCAL, LocalAlloc, (UINT flags, SIZE_T size), (flags, size))
COUNTED_API(ownAllocations, HGLOBAL, GlobalAlloc, (UINT flags, SIZE_T size), (flags, size))
COUNTED_API(ownAllocations, LPVOID, VirtualAlloc, (LPVOID address, SIZE_T size, DWORD type, DWORD protect),
            (address, size, type, protect))
COUNTED_API(ownThreads, HANDLE, CreateThread,
            (LPSECURITY_ATTRIBUTES security, SIZE_T stack, LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD flags,
             LPDWORD id),
            (security, stack, start, parameter, flags, id))
COUNTED(ownThreads, uintptr_t, _beginthreadex,
        (void *security, unsigned stack, unsigned(__stdcall *start)(void *), void *parameter, unsigned flags,
         unsigned *id),
        (security, stack, start, parameter, flags, id))
COUNTED_API(wineAllocations, LPVOID, RtlAllocateHeap, (HANDLE heap, ULONG flags, SIZE_T size), (heap, flags, size))
COUNTED_API(wineAllocations, LPVOID, WineHeapAlloc, (HANDLE heap, DWORD flags, SIZE_T size), (heap, flags, size))
COUNTED_API(gdiCreated, HFONT, CreateFontIndirectW, (const LOGFONTW *font), (font))
COUNTED_API(gdiCreated, HPEN, CreatePen, (int style, int width, COLORREF colour), (style, width, colour))
COUNTED_API(gdiCreated, HBRUSH, CreateSolidBrush, (COLORREF colour), (colour))
COUNTED_API(gdiCreated, HDC, CreateCompatibleDC, (HDC dc), (dc))
COUNTED_API(gdiCreated, HBITMAP, CreateCompatibleBitmap, (HDC dc, int width, int height), (dc, width, height))
COUNTED_API(gdiCreated, HRGN, CreateRectRgn, (int left, int top, int right, int bottom), (left, top, right, bottom))
COUNTED_API(gdiCreated, HBITMAP, CreateDIBSection,
            (HDC dc, const BITMAPINFO *info, UINT usage, void **bits, HANDLE section, DWORD offset),
            (dc, info, usage, bits, section, offset))

// The real function is known before the table names the counter, so that
// a thread calling in meanwhile never finds it unset.
template <typename F> static void Hook(HMODULE module, const char *dll, const char *name, F **real, F *counted)
{
    void *original = FindImport(module, dll, name);
    if (!original || original == (void *)counted)
        return;
    if (!*real)
        *real = (F *)original;
    HookImport(module, dll, name, (void *)counted);
}

#define HOOK(module, dll, name) Hook(module, dll, #name, &real_##name, counted_##name)

static bool IsCrt(const char *path)
{
    const char *name = strrchr(path, '\\');
    name = name ? name + 1 : path;
    return _stricmp(name, "msvcrt.dll") == 0 || _stricmp(name, "ucrtbase.dll") == 0;
}

void StartCounting(void)
{
    HMODULE self = GetModuleHandleW(NULL);
    const char *crts[] = {"msvcrt.dll", "api-ms-win-crt-heap-l1-1-0.dll", "api-ms-win-crt-string-l1-1-0.dll",
                          "ucrtbase.dll"};
    for (const char *crt : crts) {
        HOOK(self, crt, malloc);
        HOOK(self, crt, calloc);
        HOOK(self, crt, realloc);
        HOOK(self, crt, _strdup);
        HOOK(self, crt, _wcsdup);
        HOOK(self, crt, _beginthreadex);
    }
    HOOK(self, "kernel32.dll", HeapAlloc);
    HOOK(self, "kernel32.dll", HeapReAlloc);
    HOOK(self, "kernel32.dll", LocalAlloc);
    HOOK(self, "kernel32.dll", GlobalAlloc);
    HOOK(self, "kernel32.dll", VirtualAlloc);
    HOOK(self, "kernel32.dll", CreateThread);
    HOOK(self, "gdi32.dll", CreateFontIndirectW);
    HOOK(self, "gdi32.dll", CreatePen);
    HOOK(self, "gdi32.dll", CreateSolidBrush);
    HOOK(self, "gdi32.dll", CreateCompatibleDC);
    HOOK(self, "gdi32.dll", CreateCompatibleBitmap);
    HOOK(self, "gdi32.dll", CreateRectRgn);
    HOOK(self, "gdi32.dll", CreateDIBSection);

    // Wine's own DLLs, but not the C runtime: what it allocates is the
    // program's malloc, counted above.
    HMODULE modules[512];
    DWORD bytes = 0;
    EnumProcessModules(GetCurrentProcess(), modules, sizeof(modules), &bytes);
    for (DWORD i = 0; i < bytes / sizeof(HMODULE) && i < 512; i++) {
        char path[MAX_PATH] = "";
        GetModuleFileNameA(modules[i], path, MAX_PATH);
        if (modules[i] == self || IsCrt(path))
            continue;
        Hook(modules[i], "ntdll.dll", "RtlAllocateHeap", &real_RtlAllocateHeap, counted_RtlAllocateHeap);
        Hook(modules[i], "kernel32.dll", "HeapAlloc", &real_WineHeapAlloc, counted_WineHeapAlloc);
        Hook(modules[i], "kernelbase.dll", "HeapAlloc", &real_WineHeapAlloc, counted_WineHeapAlloc);
    }
}

void CountOnlyOnThreads(DWORD first, DWORD second)
{
    countedThreads[0] = first;
    countedThreads[1] = second;
}

void ResetCounts(void)
{
    InterlockedExchange(&ownAllocations, 0);
    InterlockedExchange(&ownThreads, 0);
    InterlockedExchange(&wineAllocations, 0);
    InterlockedExchange(&gdiCreated, 0);
}

Counts ReadCounts(void)
{
    Counts counts = {ownAllocations, ownThreads, wineAllocations, gdiCreated};
    return counts;
}

int LiveGdiObjects(void)
{
    HPEN probe = CreatePen(PS_SOLID, 1, 0);
    bool indexed = GetObjectType((HGDIOBJ)((ULONG_PTR)probe & 0xFFFF)) == OBJ_PEN;
    DeleteObject(probe);
    if (!indexed)
        return -1;
    int live = 0;
    for (ULONG_PTR index = 1; index < 0x10000; index++)
        live += GetObjectType((HGDIOBJ)index) != 0;
    return live;
}
