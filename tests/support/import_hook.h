#pragma once
// Redirects one function a module imports (its import address table entry) while the object
// lives, so that a test can count the system calls the code linked into that module makes.
// Code of the module calls the replacement; the replacement reaches the real function through
// original(). Other modules (Wine's own DLLs, a DLL the test loads) are not affected.
#include <windows.h>

#include <cstring>

namespace kelno::test {

class ScopedImportHook {
public:
    ScopedImportHook(HMODULE module, const char* dll, const char* function, const void* replacement) {
        slot_ = FindSlot(module, dll, function);
        if (!slot_) return;
        original_ = *slot_;
        Write(const_cast<void*>(replacement));
    }
    ~ScopedImportHook() {
        if (slot_) Write(original_);
    }
    ScopedImportHook(const ScopedImportHook&) = delete;
    ScopedImportHook& operator=(const ScopedImportHook&) = delete;

    bool installed() const { return slot_ != nullptr; }
    void* original() const { return original_; }

private:
    static void** FindSlot(HMODULE module, const char* dll, const char* function) {
        auto* base = reinterpret_cast<BYTE*>(module);
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        if (!base || dos->e_magic != IMAGE_DOS_SIGNATURE) return nullptr;
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
        const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        if (imports.VirtualAddress == 0) return nullptr;
        HMODULE target = GetModuleHandleA(dll);
        const void* real = target ? reinterpret_cast<const void*>(GetProcAddress(target, function)) : nullptr;
        for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); entry->Name;
             ++entry) {
            if (lstrcmpiA(reinterpret_cast<const char*>(base + entry->Name), dll) != 0) continue;
            auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
            const auto* names = entry->OriginalFirstThunk
                                    ? reinterpret_cast<const IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk)
                                    : nullptr;
            for (std::size_t i = 0; slots[i].u1.Function; ++i) {
                bool match = false;
                if (names && !IMAGE_SNAP_BY_ORDINAL(names[i].u1.Ordinal)) {
                    const auto* byName =
                        reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names[i].u1.AddressOfData);
                    match = std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0;
                } else {
                    match = real && reinterpret_cast<const void*>(slots[i].u1.Function) == real;
                }
                if (match) return reinterpret_cast<void**>(&slots[i].u1.Function);
            }
        }
        return nullptr;
    }

    void Write(void* value) {
        DWORD old = 0;
        if (!VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &old)) return;
        *slot_ = value;
        VirtualProtect(slot_, sizeof *slot_, old, &old);
    }

    void** slot_ = nullptr;
    void* original_ = nullptr;
};

}  // namespace kelno::test
