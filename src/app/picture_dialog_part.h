// The picture controls of the settings dialog: the path edit, "Browse ..." and "Restore Default
// Picture". They belong to the clock scene, whose dialog procedure runs this part before the
// shell's own for every message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/dialog.h"
#include "platform/file_chooser.h"

namespace app {

inline constexpr int kPicturePathEditId = 1009;
inline constexpr int kBrowsePictureId = 1008;
inline constexpr int kRestoreDefaultPictureId = 1010;
// The longest picture path the dialog takes, in bytes.
inline constexpr std::size_t kMaxPicturePathLength = 199;
inline constexpr std::string_view kPictureFilter =
    "(*.jpg;*.tga;*.bmp;*.gif;*.png)|*.jpg;*.tga;*.bmp;*.gif;*.png|";

// Handles the picture path's part of a message for the settings dialog and returns false, so the
// shell's part always follows. A path longer than kMaxPicturePathLength, chosen or typed, is
// refused rather than cut short (a shortened path names another file), and `photoPath` keeps
// its value.
bool PictureDialogPart(std::string& photoPath, platform::FileChooser& fileChooser,
                       platform::DialogWindow& dialog, std::uint32_t message,
                       platform::WPARAM wParam, platform::LPARAM lParam);

}  // namespace app
