#pragma once
// The driver's version text ("2026.09.15.01") and what the driver registration makes of it:
// the 64-bit driver version and the driver date.
#include <cstdint>
#include <optional>
#include <string_view>

namespace kelno {

inline constexpr std::string_view kWizardDriverVersionString = "2026.09.15.01";
inline constexpr std::string_view kOneStepDriverVersionString = "2026.09.12.01";

struct DriverVersionParts {
    int a, b, c, d;  // "%d.%d.%d.%d"
};

// Four decimal numbers separated by dots (each may have a sign, as "%d" reads them); anything
// after the fourth number is ignored. Nothing when fewer than four numbers can be read.
std::optional<DriverVersionParts> ParseDriverVersionString(std::string_view text);

// (a << 48) | (b << 32) | (c << 16) | (d & 0xFF): only the low byte of the fourth number enters.
std::uint64_t DriverVersionValue(const DriverVersionParts& parts);

// The four 16-bit quarters of a driver version, highest first.
struct DriverVersionQuarters {
    std::uint16_t q[4];
};
DriverVersionQuarters SplitDriverVersion(std::uint64_t value);

}  // namespace kelno
