#pragma once
// Standard TCP/IP ports of network printers: created, reconfigured and deleted through the
// transceive interface of the spooler's "Standard TCP/IP Port" monitor (one OpenPrinterW on
// ",XcvMonitor Standard TCP/IP Port" and one XcvDataW per call). Every call that reaches the
// monitor reports a progress line to the result page and then "OK" or "Failed".
#include <windows.h>

#include <cstdint>

#include "engine/install_entry.h"
#include "engine/win/progress.h"

namespace kelno {

inline constexpr wchar_t kTcpIpMonitorXcvName[] = L",XcvMonitor Standard TCP/IP Port";
inline constexpr DWORD kXcvOutputBytes = 260;  // output buffer of every call, discarded

// Adds a raw-TCP port (SNMP off) named portName that prints to hostAddress:portNumber.
// An empty host address or a port number outside 1-65535 returns false at once: no progress
// line, no spooler call, a log line that says why. A port name over 63 or a host address over 48 characters (the widths
// of the monitor's fields) is refused with a "Failed" line and no call, never cut to another port. True only when the
// monitor was reached and reported success: an existing port fails.
bool AddStandardTcpIpPort(const ProgressSink& progress, const wchar_t* portName, const wchar_t* hostAddress,
                          std::int32_t portNumber);

// The same for an existing port ("ConfigPort"): brings it to the host address and port number.
bool ConfigureStandardTcpIpPort(const ProgressSink& progress, const wchar_t* portName, const wchar_t* hostAddress,
                                std::int32_t portNumber);

// Deletes the port of every entry whose port kind is 3, in array order, each with a "Remove
// port" line and its outcome; entries of other kinds are skipped without a line.
void DeleteStandardTcpIpPort(const ProgressSink& progress, const PrinterInstallEntry* entries, int count);

}  // namespace kelno
