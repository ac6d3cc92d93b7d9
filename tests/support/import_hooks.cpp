#include "import_hooks.h"

#include <string.h>

static IMAGE_IMPORT_DESCRIPTOR *FirstImport(HMODULE module)
{
    BYTE *base = (BYTE *)module;
    IMAGE_DOS_HEADER *dos = (IMAGE_DOS_HEADER *)base;
    IMAGE_NT_HEADERS *nt = (IMAGE_NT_HEADERS *)(base + dos->e_lfanew);
    IMAGE_DATA_DIRECTORY *directory = &nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!directory->VirtualAddress)
        return NULL;
    return (IMAGE_IMPORT_DESCRIPTOR *)(base + directory->VirtualAddress);
}

static void WriteEntry(ULONG_PTR *entry, ULONG_PTR value)
{
    DWORD protection;
    VirtualProtect(entry, sizeof(*entry), PAGE_READWRITE, &protection);
    *entry = value;
    VirtualProtect(entry, sizeof(*entry), protection, &protection);
}

// Calls visit(entry) for every table entry of module that imports function
// from dll.
template <typename Visit> static void ForEachImport(HMODULE module, const char *dll, const char *function, Visit visit)
{
    BYTE *base = (BYTE *)module;
    for (IMAGE_IMPORT_DESCRIPTOR *import = FirstImport(module); import && import->Name; import++) {
        if (_stricmp((const char *)(base + import->Name), dll) != 0 || !import->OriginalFirstThunk)
            continue;
        IMAGE_THUNK_DATA *names = (IMAGE_THUNK_DATA *)(base + import->OriginalFirstThunk);
        IMAGE_THUNK_DATA *addresses = (IMAGE_THUNK_DATA *)(base + import->FirstThunk);
        for (; names->u1.AddressOfData; names++, addresses++) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            IMAGE_IMPORT_BY_NAME *name = (IMAGE_IMPORT_BY_NAME *)(base + names->u1.AddressOfData);
            if (strcmp((const char *)name->Name, function) == 0)
                visit((ULONG_PTR *)&addresses->u1.Function);
        }
    }
}

void *FindImport(HMODULE module, const char *dll, const char *function)
{
    void *found = NULL;
    ForEachImport(module, dll, function, [&](ULONG_PTR *entry) { found = (void *)*entry; });
    return found;
}

void *HookImport(HMODULE module, const char *dll, const char *function, void *replacement)
{
    void *original = NULL;
    ForEachImport(module, dll, function, [&](ULONG_PTR *entry) {
        original = (void *)*entry;
        WriteEntry(entry, (ULONG_PTR)replacement);
    });
    return original;
}

void RestoreImport(HMODULE module, void *replacement, void *original)
{
    BYTE *base = (BYTE *)module;
    for (IMAGE_IMPORT_DESCRIPTOR *import = FirstImport(module); import && import->Name; import++) {
        IMAGE_THUNK_DATA *addresses = (IMAGE_THUNK_DATA *)(base + import->FirstThunk);
        for (; addresses->u1.Function; addresses++) {
            if ((void *)addresses->u1.Function == replacement)
                WriteEntry((ULONG_PTR *)&addresses->u1.Function, (ULONG_PTR)original);
        }
    }
}
