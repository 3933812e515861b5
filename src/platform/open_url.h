// Opening a web page in the user's browser.
#pragma once

#include <string_view>

namespace platform {

class UrlOpener {
public:
    virtual ~UrlOpener() = default;

    // Hands `url` to the desktop and returns at once; false when it could not be handed over.
    virtual bool Open(std::string_view url) = 0;

    // The desktop's opener (xdg-open, started without a shell).
    static UrlOpener& System();
};

// UrlOpener::System().Open(url).
bool OpenUrl(std::string_view url);

}  // namespace platform
