#pragma once
// Reading what the uninstaller shows of a driver-store INF and registry value: the "DriverVer"
// of the INF's Version section from the file's bytes, and the first string of a registry
// multi-string. Both take bytes from outside and bound everything they keep.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kelno {

// The value of "DriverVer" in the INF's [Version] section ("09/12/2026,2026.09.12.01"): the
// first such line, section and key names in any ASCII case, the value with its surrounding
// blanks, a ';' comment and the double quotes of quoted parts removed ("" stands for one quote),
// cut to maxChars units. Files are UTF-16LE with its byte-order mark, or UTF-8 (with or without
// its mark; other 8-bit bytes are taken one by one). nullopt when there is no such line.
// %string% references are shown as written.
std::optional<std::u16string> InfDriverVer(const std::uint8_t* bytes, std::size_t size, std::size_t maxChars);

// The first string of a registry multi-string (or of a plain string value) read as raw bytes:
// up to its first terminator or the end of the data, whichever comes first; an odd last byte is
// ignored.
std::u16string FirstRegistryString(const std::uint8_t* bytes, std::size_t size);

}  // namespace kelno
