// The one way the Windows back end includes <windows.h>: lean, without min/max, and without the
// A/W macros whose names our interfaces use as method and class names (a macro would rename
// PeekMessage to PeekMessageA inside our own classes). Call the A functions by their full names.
// Include it after our own headers: windows.h makes macros of WM_*, VK_*, SC_* and friends, which
// would rewrite our constants of the same names; after it, write those names unqualified.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#undef CreateDialog
#undef CreateFont
#undef CreateWindow
#undef DispatchMessage
#undef DrawText
#undef FindResource
#undef GetClassName
#undef GetCurrentTime
#undef GetMessage
#undef GetObject
#undef GetWindowText
#undef LoadImage
#undef LoadString
#undef MessageBox
#undef PeekMessage
#undef PostMessage
#undef SendMessage
#undef SetWindowText
#undef Yield
