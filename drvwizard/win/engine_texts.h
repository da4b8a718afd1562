#pragma once
// The wizard's string ids of the engine's progress lines and questions.
#include <windows.h>

#include "engine/win/progress.h"

namespace kelno {

// kEngineTextCount ids in EngineText order.
const UINT* WizardEngineTextIds();

}  // namespace kelno
