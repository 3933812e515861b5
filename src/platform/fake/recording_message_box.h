// Message boxes for tests: every box is recorded and answered with a set button.
#pragma once

#include <string>
#include <vector>

#include "platform/message_box.h"

namespace platform::fake {

struct ShownMessageBox {
    WindowHandle owner = 0;
    std::string text;
    std::string caption;
    std::uint32_t type = 0;
};

class RecordingMessageBox final : public MessageBox {
public:
    int Show(WindowHandle owner, std::string_view text, std::string_view caption,
             std::uint32_t type) override {
        shown.push_back({owner, std::string(text), std::string(caption), type});
        return answer;
    }

    std::vector<ShownMessageBox> shown;
    int answer = IDOK;
};

}  // namespace platform::fake
