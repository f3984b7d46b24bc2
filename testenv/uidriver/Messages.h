#pragma once
// Messages to windows of other processes never wait forever on a hung program.
#include <windows.h>

namespace UIDRIVER {

const UINT messageTimeoutMs = 5000;

// The answer of the window, or fallback when it did not answer in time.
inline LRESULT Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT fallback = 0) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, messageTimeoutMs,
                             &answer)) {
        return fallback;
    }
    return static_cast<LRESULT>(answer);
}

} // namespace UIDRIVER
