// The hover timer's callback: finds the button through the properties on its window and
// lets it end the hover once the cursor is elsewhere.
#pragma once

#include <windows.h>

namespace button {

// The procedure SetTimer receives at each hover start; only hwnd is used.
void ButtTimerProc(HWND hwnd, UINT uMsg, UINT_PTR idEvent, DWORD dwTime);

}  // namespace button
