// Counts what a stretch of the program asks the system for: heap blocks and
// threads from its own code (the program, the stand-ins and the C++ runtime
// linked into it), heap blocks asked for inside Wine's own DLLs, and GDI
// objects the program creates. Calls are caught in the import tables.
// Shared by the benchmarks and the tests.
#pragma once
#include <windows.h>

struct Counts {
    long ownAllocations;
    long ownThreads;
    long wineAllocations;
    long gdiCreated;
};

// Hooks the imports; call once, after every DLL the work needs is loaded.
// The hooks stay for the life of the process.
void StartCounting(void);
// Counts only the calls made on these threads (a zero id is none); with
// both zero, the calls of every thread, as at the start.
void CountOnlyOnThreads(DWORD first, DWORD second);
void ResetCounts(void);
Counts ReadCounts(void);
// Live GDI objects of the process, found by walking the handle table; -1
// when the handles are not of the form this walk expects.
int LiveGdiObjects(void);
