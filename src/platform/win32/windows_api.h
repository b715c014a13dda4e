#pragma once
// <windows.h> and the common controls for the platform layer.

#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>
