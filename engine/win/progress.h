#pragma once
// Progress lines and questions of the engine steps. The engine names what it says
// (EngineText); the program that runs it hands in a sink: the window that shows the lines, the
// message that carries one line (lParam = the text), and the program's string-resource id of
// each text. The engine itself carries no program's resources.
#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace kelno {

enum class EngineText : std::uint8_t {
    installingDriverAtPort,  // "%s" queue name, "%s" port name
    driverInstalled,
    driverInstallFailed,  // "%d" result code, "%d" OS error
    addPort,              // "%s" port name
    updatePort,           // "%s" port name
    removePort,           // "%s" port name
    okLine,
    failedLine,
    removePrinter,             // "%s" queue name
    removePrinterDriver,       // "%s" driver name, "%s" status, "%d" OS error
    deleteDriverPackage,       // "%s" INF name
    forceRemovePackage,        // question
    prompt,                    // caption of the questions
    uninstallDisconnectFirst,  // notice before a removal
    count
};
inline constexpr std::size_t kEngineTextCount = static_cast<std::size_t>(EngineText::count);

// The longest line the engine formats.
inline constexpr std::size_t kProgressLineChars = 511;

struct ProgressSink {
    HWND window = nullptr;                       // receives the lines; null: no line is sent
    UINT message = 0;                            // the window's message for one line
    HINSTANCE resources = nullptr;               // the module of the string table; null: the running program
    const UINT* textIds = nullptr;               // kEngineTextCount string ids in EngineText order
    std::size_t lineChars = kProgressLineChars;  // what the window keeps of one line
};

// The text of an engine message in the sink's string table, cut to the buffer; "" when the
// sink has no table or the string is missing.
void LoadEngineText(const ProgressSink& sink, EngineText text, wchar_t* out, std::size_t capacity);

// Loads the text, formats it printf-style (wide conventions) with the values and sends it.
// A line longer than the sink keeps is cut to it, never dropped, and keeps the format's line end
// ("\r\n"); a malformed format sends nothing.
void SendProgress(const ProgressSink& sink, EngineText text, ...);
// Sends a ready text.
void SendProgressText(const ProgressSink& sink, const wchar_t* text);

}  // namespace kelno
