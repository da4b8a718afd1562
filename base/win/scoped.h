#pragma once
// Scoped owners of Win32 handles: one template, Scoped<Traits>, and a traits record per kind of
// handle that says which value means "nothing held" and how a held handle is closed. An owner
// closes what it holds exactly once: when it goes out of scope, on reset(), or when a new
// handle is received into it. release() gives the handle up without closing it; a moved-from
// owner holds nothing.
//
// Header-only: a close function is referenced only where its owner is used, so each library
// links the system library of the handles it uses (winspool, advapi32, setupapi, gdiplus).
#include <windows.h>
#include <setupapi.h>
#include <winspool.h>

namespace Gdiplus {
// As <gdiplus.h> declares it; declared here so that the GDI+ owner needs no GDI+ headers.
extern "C" void WINAPI GdiplusShutdown(ULONG_PTR token);
}  // namespace Gdiplus

namespace kelno {

template <typename Traits>
class Scoped {
public:
    using Handle = typename Traits::Handle;

    Scoped() noexcept = default;
    explicit Scoped(Handle handle) noexcept : handle_(handle) {}
    ~Scoped() { reset(); }
    Scoped(Scoped&& other) noexcept : handle_(other.release()) {}
    Scoped& operator=(Scoped&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;

    Handle get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return Traits::Held(handle_); }

    // Closes the handle held (if any) and holds handle instead.
    void reset(Handle handle = Traits::Empty()) noexcept {
        const Handle old = handle_;
        handle_ = handle;
        if (Traits::Held(old) && old != handle) Traits::Close(old);
    }
    // Gives the handle up without closing it; the owner is empty afterwards.
    Handle release() noexcept {
        const Handle handle = handle_;
        handle_ = Traits::Empty();
        return handle;
    }
    // For calls that return a handle through a pointer: closes the handle held first.
    Handle* receive() noexcept {
        reset();
        return &handle_;
    }

private:
    Handle handle_ = Traits::Empty();
};

// Null, or INVALID_HANDLE_VALUE, which CreateFileW, FindFirstFileW and SetupAPI return on
// failure (SetupDiOpenDevRegKey even for a registry key): neither is ever closed.
inline bool IsOpenHandle(const void* handle) noexcept { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }

// What an empty owner holds: null, or INVALID_HANDLE_VALUE for the kinds whose opening call
// fails with it.
template <typename H>
struct NullWhenEmpty {
    using Handle = H;
    static Handle Empty() noexcept { return nullptr; }
    static bool Held(Handle handle) noexcept { return IsOpenHandle(handle); }
};
template <typename H>
struct InvalidWhenEmpty {
    using Handle = H;
    static Handle Empty() noexcept { return static_cast<Handle>(INVALID_HANDLE_VALUE); }
    static bool Held(Handle handle) noexcept { return IsOpenHandle(handle); }
};

struct PrinterTraits : NullWhenEmpty<HANDLE> {
    static void Close(Handle handle) noexcept { ClosePrinter(handle); }
};
struct ServiceTraits : NullWhenEmpty<SC_HANDLE> {
    static void Close(Handle handle) noexcept { CloseServiceHandle(handle); }
};
struct RegistryKeyTraits : NullWhenEmpty<HKEY> {
    static void Close(Handle handle) noexcept { RegCloseKey(handle); }
};
// Kernel objects whose calls fail with null (threads, processes, events, mappings).
struct KernelHandleTraits : NullWhenEmpty<HANDLE> {
    static void Close(Handle handle) noexcept { CloseHandle(handle); }
};
// Files and devices: CreateFileW fails with INVALID_HANDLE_VALUE, which an empty owner holds.
struct FileHandleTraits : InvalidWhenEmpty<HANDLE> {
    static void Close(Handle handle) noexcept { CloseHandle(handle); }
};
struct FindHandleTraits : InvalidWhenEmpty<HANDLE> {
    static void Close(Handle handle) noexcept { FindClose(handle); }
};
struct DeviceInfoSetTraits : InvalidWhenEmpty<HDEVINFO> {
    static void Close(Handle handle) noexcept { SetupDiDestroyDeviceInfoList(handle); }
};
struct ModuleTraits : NullWhenEmpty<HMODULE> {
    static void Close(Handle handle) noexcept { FreeLibrary(handle); }
};
// A GDI object the code created (pen, brush, font, bitmap, region). Never delete one that is
// still selected into a device context: a ScopedSelection declared after it restores first.
template <typename Object>
struct GdiObjectTraits : NullWhenEmpty<Object> {
    static void Close(Object handle) noexcept { DeleteObject(handle); }
};
// The token of a successful GdiplusStartup.
struct GdiplusTraits {
    using Handle = ULONG_PTR;
    static Handle Empty() noexcept { return 0; }
    static bool Held(Handle token) noexcept { return token != 0; }
    static void Close(Handle token) noexcept { Gdiplus::GdiplusShutdown(token); }
};

using ScopedPrinter = Scoped<PrinterTraits>;
using ScopedService = Scoped<ServiceTraits>;
using ScopedRegistryKey = Scoped<RegistryKeyTraits>;
using ScopedHandle = Scoped<KernelHandleTraits>;
using ScopedFile = Scoped<FileHandleTraits>;
using ScopedFind = Scoped<FindHandleTraits>;
using ScopedDeviceInfoSet = Scoped<DeviceInfoSetTraits>;
using ScopedModule = Scoped<ModuleTraits>;
template <typename Object = HGDIOBJ>
using ScopedGdiObject = Scoped<GdiObjectTraits<Object>>;
using ScopedGdiplus = Scoped<GdiplusTraits>;

// Selects an object into a device context and selects the previous one back on scope exit.
class ScopedSelection {
public:
    ScopedSelection(HDC dc, HGDIOBJ object) noexcept
        : dc_(dc), previous_(dc && object ? SelectObject(dc, object) : nullptr) {}
    ~ScopedSelection() {
        if (previous_ && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
    }
    ScopedSelection(const ScopedSelection&) = delete;
    ScopedSelection& operator=(const ScopedSelection&) = delete;

    // False when the selection failed (nothing is restored then).
    explicit operator bool() const noexcept { return previous_ != nullptr && previous_ != HGDI_ERROR; }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace kelno
