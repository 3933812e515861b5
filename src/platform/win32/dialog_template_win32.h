// Our dialog templates as Windows reads them from memory: a DLGTEMPLATEEX with its items in the
// template's order, which is also the Tab order.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/dialog.h"

namespace platform::win32 {

// The trackbar's window class, from the common controls.
inline constexpr wchar_t kTrackbarClass[] = L"msctls_trackbar32";

// The bytes of the DLGTEMPLATEEX, aligned as DialogBoxIndirectParamW expects when they start
// at a DWORD boundary (a vector's storage does).
std::vector<std::uint8_t> BuildDialogTemplateEx(const DialogTemplate& dialogTemplate);

// The window style of a control of `kind`; `groupStart` for the first control of a group.
std::uint32_t ControlStyle(ControlKind kind, bool groupStart);

}  // namespace platform::win32
