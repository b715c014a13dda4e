#pragma once
// <windows.h> for the platform layer. Its MessageBox macro would rename the
// platform's MessageBox interface; the code calls MessageBoxW by name.

#include <windows.h>

#ifdef MessageBox
#undef MessageBox
#endif
