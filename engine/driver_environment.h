#pragma once
// Processor architecture -> driver environment subfolder name ("amd64", ...).
#include <cstdint>
#include <string_view>

namespace kelno {

// wProcessorArchitecture values of SYSTEM_INFO that have an environment.
inline constexpr std::uint16_t kArchitectureX86 = 0;
inline constexpr std::uint16_t kArchitectureArm = 5;
inline constexpr std::uint16_t kArchitectureAmd64 = 9;
inline constexpr std::uint16_t kArchitectureArm64 = 12;

// "i386", "arm", "amd64" or "arm64"; empty for any other architecture.
std::u16string_view DriverEnvironmentForArchitecture(std::uint16_t processorArchitecture);

}  // namespace kelno
