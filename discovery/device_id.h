#pragma once
// The IEEE 1284 device identification text that a USB printer returns for
// IOCTL_PAR_QUERY_DEVICE_ID ("MFG:...;MDL:...;CMD:...;"), and the model variant it decides.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kelno {

inline constexpr std::size_t kDeviceIdAnswerBytes = 1024;  // the output buffer of the query
inline constexpr std::size_t kDeviceIdValueCapacity = 32;  // 31 characters and the terminator
inline constexpr std::size_t kModelVariantChars = 250;     // the caller's model text buffer

// One "KEY:value;" value. A key that is absent, or has no ";" after it, leaves the value empty
// and found false. A value of 32 characters or more does not fit: it is kept cut to its first
// 31 characters with truncated set, so that it can be logged but never matches a whole value.
struct DeviceIdValue {
    char text[kDeviceIdValueCapacity];
    bool found;
    bool truncated;
    std::string_view View() const;
};

struct DeviceIdValues {
    DeviceIdValue model;    // "MDL:", read but decides nothing
    DeviceIdValue command;  // "CMD:"
};

// Parses the answer: the text is the bytes up to the first NUL or the end of the data. Each key
// is searched as a substring, its first occurrence counts, and its value runs up to the next
// ";". Null data gives empty values.
DeviceIdValues ParseDeviceId(const std::uint8_t* data, std::size_t size);

// "Quillon MX-362_" when the command value is exactly "QVL" (and was not cut), otherwise
// "Quillon MX-362".
std::u16string_view ModelVariantText(const DeviceIdValues& values);

// The port description for which the install page asks the printer for its variant.
inline constexpr std::u16string_view kModelVariantDescription = u"QuillonMX-362";

}  // namespace kelno
