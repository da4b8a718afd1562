#pragma once
// The configuration DLL's own channels to the printer, beside the render DLL and the language
// monitor: a file sent to the queue as one RAW job, the printer values the language monitor
// answers (state, firmware version and checksum, firmware-update mode), and the device behind
// the queue's port (a USB printer interface or a COM port) opened for direct writes.
#include <windows.h>
#include <winspool.h>

#include <cstddef>
#include <cstdint>
#include <span>

#include "base/win/scoped.h"

namespace kelno {

// The calls a test replaces to play a printer. Every entry defaults to the real call.
struct PrinterCommSeams {
    // Wine's spooler never hands a value it does not store to a language monitor.
    decltype(&::GetPrinterDataW) getPrinterDataW = &::GetPrinterDataW;
    // The fixed waits of the mode switch.
    decltype(&::Sleep) sleep = &::Sleep;
    // Wine writes a RAW job to its port without page framing: tests count the pages here.
    decltype(&::StartPagePrinter) startPagePrinter = &::StartPagePrinter;
    decltype(&::WritePrinter) writePrinter = &::WritePrinter;
};
PrinterCommSeams& PrinterComm();

// A RAW job's pages: at most this many bytes each, read through a buffer of kRawBufferBytes.
inline constexpr DWORD kRawPageBytes = 204798;
inline constexpr DWORD kRawBufferBytes = 204800;

// Sends the file unchanged to the printer as one RAW job named by the path, one spooler page
// per block. True when the job was started and every block was written; false (and no job)
// when the printer or the file cannot be opened.
bool SendFileRaw(const wchar_t* printerName, const wchar_t* path);

// Asks the printer for a value through the printer data of the handle: the reply is zeroed,
// the type preset to REG_BINARY. The spooler's code: 0 means the reply holds the answer.
DWORD QueryPrinterValue(HANDLE printer, const wchar_t* name, std::span<std::uint8_t> reply);

// Switches the printer into ("qvsetcmd3") or out of ("qvsetcmd4") firmware-update mode and
// waits for it to report that mode: 3 s, then up to ten "qvgetcmd5" polls 150 ms apart. True
// when the printer reported the wanted mode.
bool SetFirmwareUpdateMode(HANDLE printer, bool enter);

// The port target: the device behind the printer's port, kept for the process. A USB port
// ("USB001") gives the interface path of the present USB printer whose "Port Number" is 1; a
// COM port gives the port name itself; any other port (network, LPT, file) gives "".
inline constexpr std::size_t kPortTargetUnits = 260;
const wchar_t* FindPortTarget(HANDLE printer);
const wchar_t* PortTarget();

// The interface path of the present USB printer on the spooler port portName ("USB%.3d" of
// its "Port Number", compared exactly); false when there is none or its path does not fit.
bool FindUsbPrinterInterface(const wchar_t* portName, wchar_t (&path)[kPortTargetUnits]);

// Opens the port target for reading and writing. A COM port gets write time-outs, so a printer
// that stops reading ends the write instead of blocking it for ever. Empty on failure.
ScopedFile OpenPortTarget();

// The write time-out of a COM port: the constant part and the part per byte.
inline constexpr DWORD kPortWriteTimeoutMs = 5000;
inline constexpr DWORD kPortWriteTimeoutPerByteMs = 2;

}  // namespace kelno
