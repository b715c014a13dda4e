#pragma once
// <windows.h> and the common controls for the platform layer. The MessageBox
// macro would rename the platform's MessageBox interface, so it goes; the
// code calls MessageBoxW by name.

#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#ifdef MessageBox
#undef MessageBox
#endif
