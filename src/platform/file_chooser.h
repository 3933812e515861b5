// Choosing a file to open with the desktop's own file chooser.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window_messages.h"

namespace platform {

struct FileFilter {
    std::string description;
    std::vector<std::string> patterns;  // "*.jpg"

    friend bool operator==(const FileFilter&, const FileFilter&) = default;
};

// Reads a filter text written as description and pattern list pairs, each followed by '|'
// ("Pictures|*.jpg;*.png|"); the patterns are separated by ';'. A pair without patterns, or a
// description without its pattern list, is left out.
std::vector<FileFilter> ParseFileFilter(std::string_view text);

// Whether `name` (a file name without folder) matches a pattern of '*', '?' and plain
// characters, ignoring the case of ASCII letters as the desktop's filters do.
bool MatchesPattern(std::string_view pattern, std::string_view name);

class FileChooser {
public:
    virtual ~FileChooser() = default;

    // Asks for a file to open, above `owner` (0: none), offering `filters` (the first is in
    // force). With `mustExist` only an existing file is accepted. The chosen file's full path in
    // UTF-8, or nothing when the user cancels or no chooser can be shown.
    virtual std::optional<std::string> ChooseFileToOpen(WindowHandle owner,
                                                        const std::vector<FileFilter>& filters,
                                                        bool mustExist) = 0;

    static FileChooser& System();
};

}  // namespace platform
