#include "engine/win/seams.h"

namespace kelno {

EngineSeams& Seams() {
    static EngineSeams seams{&::GetNativeSystemInfo, &::Sleep};
    return seams;
}

}  // namespace kelno
