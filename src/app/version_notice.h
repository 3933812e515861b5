// The notice shown when the graphics runtime is too old (dialog 129): it names what is missing
// and offers a page on updating the graphics driver.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/dialog.h"
#include "platform/open_url.h"
#include "platform/resources.h"

namespace app {

inline constexpr std::uint32_t kVersionNoticeDialogId = 129;
inline constexpr std::string_view kDriverUpdateUrl =
    "https://www.khronos.org/opengl/wiki/Getting_Started#Downloading_OpenGL";

// Shows dialog 129 modally without owner; when it ends with button 1 the page `url` (the
// driver-update page unless the platform's runtime has another) is opened. Returns the button
// that ended it, or -1 when the dialog could not be shown.
std::intptr_t ShowVersionNotice(
    const platform::Resources& resources = platform::Resources::Module(),
    platform::Dialogs& dialogs = platform::Dialogs::System(),
    platform::UrlOpener& urlOpener = platform::UrlOpener::System(),
    std::string_view url = kDriverUpdateUrl);

}  // namespace app
