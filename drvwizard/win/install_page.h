#pragma once
// The wizard's install page (dialog 131): the merged port list, the model and queue name, and the
// request its Next fills for the result page's worker.
#include <windows.h>

namespace kelno {

INT_PTR CALLBACK InstallPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace kelno
