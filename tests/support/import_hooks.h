// Redirects calls that a module makes through its import table, so that tests
// and benchmarks can count what the program asks the system for (fonts,
// heap blocks, threads) without changing the program.
#pragma once
#include <windows.h>

// Replaces, in the import table of module, every entry that imports
// function from dll (case-insensitive name, e.g. "gdi32.dll") by
// replacement. Returns the original address, or NULL when the module does not
// import it. The change lasts until RestoreImport or the end of the process.
void *HookImport(HMODULE module, const char *dll, const char *function, void *replacement);
// The address the module's table holds for function from dll, without
// changing it; NULL when the module does not import it.
void *FindImport(HMODULE module, const char *dll, const char *function);
// Puts original back wherever replacement stands in the module's table.
void RestoreImport(HMODULE module, void *replacement, void *original);
