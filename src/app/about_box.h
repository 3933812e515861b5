// The about box (dialog 103): caption, OK and the seven lines of the about text, placed by the
// settings dialog that opens it.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>

#include "app/text_table.h"
#include "platform/dialog.h"
#include "platform/resources.h"

namespace app {

inline constexpr std::uint32_t kAboutBoxDialogId = 103;
inline constexpr int kAboutFirstLineId = 1039;

// Shows the about box modally, owned by `owner`. When the settings dialog's top-left corner is
// known the box moves to 140, 150 pixels from it. Returns the button that ended it (OK or
// Cancel), or -1 when it could not be shown.
std::intptr_t ShowAboutBox(const platform::Resources& resources, const TextTable& texts,
                           platform::Dialogs& dialogs, platform::WindowHandle owner,
                           std::optional<std::pair<int, int>> ownerTopLeft);

}  // namespace app
