// URL opening for tests: records the addresses instead of starting a browser.
#pragma once

#include <string>
#include <vector>

#include "platform/open_url.h"

namespace platform::fake {

class RecordingUrlOpener final : public UrlOpener {
public:
    bool Open(std::string_view url) override {
        opened.emplace_back(url);
        return succeed;
    }

    std::vector<std::string> opened;
    bool succeed = true;
};

}  // namespace platform::fake
