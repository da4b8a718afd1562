#include "engine/driver_environment.h"

namespace kelno {

std::u16string_view DriverEnvironmentForArchitecture(std::uint16_t processorArchitecture) {
    switch (processorArchitecture) {
        case kArchitectureX86: return u"i386";
        case kArchitectureArm: return u"arm";
        case kArchitectureAmd64: return u"amd64";
        case kArchitectureArm64: return u"arm64";
        default: return {};
    }
}

}  // namespace kelno
