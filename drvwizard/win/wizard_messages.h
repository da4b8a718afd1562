#pragma once
// The wizard's private window messages.
#include <windows.h>

#include "discovery/win/network_discovery.h"  // WM_PORTS_CHANGED (0x401), WM_DISCOVERY_REPLY (0x402)

namespace kelno {

static_assert(WM_PORTS_CHANGED == 0x401 && WM_DISCOVERY_REPLY == 0x402);
inline constexpr UINT WM_START_WORK = 0x403;  // result page: start the worker once
inline constexpr UINT WM_WORK_DONE = 0x404;   // result page: worker finished; wParam = mode
inline constexpr UINT WM_APPEND_LOG = 0x405;  // result page: append the text in lParam
static_assert(WM_APPEND_LOG == WM_USER + 5);

}  // namespace kelno
