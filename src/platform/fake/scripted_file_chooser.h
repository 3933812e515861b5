// File choosing for tests: every request is recorded and answered with a set path (or none, as
// when the user cancels).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/file_chooser.h"

namespace platform::fake {

struct FileRequest {
    WindowHandle owner = 0;
    std::vector<FileFilter> filters;
    bool mustExist = false;
};

class ScriptedFileChooser final : public FileChooser {
public:
    std::optional<std::string> ChooseFileToOpen(WindowHandle owner,
                                                const std::vector<FileFilter>& filters,
                                                bool mustExist) override {
        requests.push_back({owner, filters, mustExist});
        return answer;
    }

    std::vector<FileRequest> requests;
    std::optional<std::string> answer;
};

}  // namespace platform::fake
