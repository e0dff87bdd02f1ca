// Observing and faking the plugin's platform calls through its import
// address table.
#include "host.h"

#include <string.h>

static void** findImportSlot(HMODULE module, const char* dll, const char* function)
{
    BYTE* base = (BYTE*)module;
    IMAGE_DOS_HEADER* dos = (IMAGE_DOS_HEADER*)base;
    IMAGE_NT_HEADERS32* nt = (IMAGE_NT_HEADERS32*)(base + dos->e_lfanew);
    IMAGE_DATA_DIRECTORY directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!directory.VirtualAddress)
        return NULL;
    for (IMAGE_IMPORT_DESCRIPTOR* import = (IMAGE_IMPORT_DESCRIPTOR*)(base + directory.VirtualAddress);
         import->Name; ++import) {
        if (_stricmp((const char*)(base + import->Name), dll) != 0)
            continue;
        IMAGE_THUNK_DATA32* names = (IMAGE_THUNK_DATA32*)(base + import->OriginalFirstThunk);
        void** slots = (void**)(base + import->FirstThunk);
        for (int i = 0; names[i].u1.AddressOfData; ++i) {
            if (names[i].u1.Ordinal & IMAGE_ORDINAL_FLAG32)
                continue;
            IMAGE_IMPORT_BY_NAME* byName = (IMAGE_IMPORT_BY_NAME*)(base + names[i].u1.AddressOfData);
            if (strcmp((const char*)byName->Name, function) == 0)
                return &slots[i];
        }
    }
    return NULL;
}

void* importedFunction(HMODULE module, const char* dll, const char* function)
{
    void** slot = findImportSlot(module, dll, function);
    return slot ? *slot : NULL;
}

void* patchImport(HMODULE module, const char* dll, const char* function, void* replacement)
{
    if (!CHECK(findImportSlot(module, dll, function) != NULL, "the plugin does not import %s!%s", dll, function))
        return NULL;
    return patchImportIfAny(module, dll, function, replacement);
}

void* patchImportIfAny(HMODULE module, const char* dll, const char* function, void* replacement)
{
    void** slot = findImportSlot(module, dll, function);
    if (!slot)
        return NULL;
    DWORD oldProtection;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &oldProtection);
    void* original = *slot;
    *slot = replacement;
    VirtualProtect(slot, sizeof *slot, oldProtection, &oldProtection);
    return original;
}
