#pragma once
// Spooler queries that return a structure with the strings it points to. The answer is read
// into a buffer that usually fits; when the spooler reports ERROR_INSUFFICIENT_BUFFER it is
// read again with the size the spooler asks for. Any other failure gives nothing.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kelno {

// GetPrinterW at the level; the buffer holds the PRINTER_INFO_n and the strings it points to.
std::optional<std::vector<std::uint8_t>> QueryPrinter(HANDLE printer, DWORD level);
// GetPrinterDriverW at the level for the native environment.
std::optional<std::vector<std::uint8_t>> QueryPrinterDriver(HANDLE printer, DWORD level);

// A printer handle that is closed with the object.
class PrinterHandle {
public:
    PrinterHandle() = default;
    explicit PrinterHandle(HANDLE handle) : handle_(handle) {}
    ~PrinterHandle() { Reset(); }
    PrinterHandle(PrinterHandle&& other) noexcept : handle_(other.Release()) {}
    PrinterHandle& operator=(PrinterHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = other.Release();
        }
        return *this;
    }
    PrinterHandle(const PrinterHandle&) = delete;
    PrinterHandle& operator=(const PrinterHandle&) = delete;

    HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    HANDLE Release() {
        HANDLE handle = handle_;
        handle_ = nullptr;
        return handle;
    }
    void Reset();

private:
    HANDLE handle_ = nullptr;
};

// Opens a printer by name; with allAccess the handle may change the printer's data.
PrinterHandle OpenPrinterByName(const wchar_t* name, bool allAccess);

// The driver name of the printer called name (PRINTER_INFO_2 pDriverName), when it can be read.
std::optional<std::wstring> DriverNameOfPrinter(const wchar_t* name);

}  // namespace kelno
