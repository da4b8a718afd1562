#pragma once
// The bytes behind pointers that callers hand over without a size: the DEVMODEs of
// DocumentProperties, DeviceCapabilities and DevQueryPrintEx, and the output DEVMODE of the
// property sheets. dmSize and dmDriverExtra are only the sender's claims (Wine passes a
// dmDriverExtra of 60000 in a 220-byte buffer through unchecked), so every such area is also
// cut at the end of the committed memory that holds it: reading or writing it can never fault.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <span>

namespace kelno {

// How many of the wanted bytes from address on lie in committed memory with the access asked
// for (read, or read and write), stopping at the first page that does not.
std::size_t ReadableBytesAt(const void* address, std::size_t wanted);
std::size_t WritableBytesAt(void* address, std::size_t wanted);

// A caller's DEVMODE: its claimed dmSize + dmDriverExtra bytes, cut at the end of readable
// memory. Empty for a null pointer. The portable core rejects a DEVMODE whose claims do not fit
// the span it gets.
std::span<const std::uint8_t> CallerDevmodeBytes(const DEVMODEW* devmode);

// The area an output DEVMODE may be written to: the driver DEVMODE size (what the size query
// announces and callers allocate), cut at the end of writable memory. Empty for a null pointer.
std::span<std::uint8_t> OutputDevmodeArea(DEVMODEW* devmode);

}  // namespace kelno
