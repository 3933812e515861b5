// ShellExecuteA "open": the user's browser takes the page, and we do not wait for it.
#include <string>

#include "platform/open_url.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_api.h"

#include <shellapi.h>

namespace platform {

namespace {

class ShellUrlOpener final : public UrlOpener {
public:
    bool Open(std::string_view url) override {
        // Only web addresses: the verb would as well start a program named here.
        if (!url.starts_with("http://") && !url.starts_with("https://")) {
            return false;
        }
        if (url.find('\0') != std::string_view::npos) {
            return false;
        }
        const std::string address = win32::Utf8ToAnsi(url);
        const HINSTANCE result =
            ShellExecuteA(nullptr, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        // Values above 32 mean success.
        return reinterpret_cast<INT_PTR>(result) > 32;
    }
};

}  // namespace

UrlOpener& UrlOpener::System() {
    static ShellUrlOpener opener;
    return opener;
}

bool OpenUrl(std::string_view url) {
    return UrlOpener::System().Open(url);
}

}  // namespace platform
