// GetOpenFileNameA with our filters in its "description\0patterns\0" form; the first filter is in
// force. The chosen path comes back from the ANSI code page as UTF-8.
#include <string>

#include "platform/file_chooser.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_api.h"

#include <commdlg.h>

namespace platform {

namespace {

// "Pictures\0*.jpg;*.png\0...\0\0"; a filter whose texts hold a zero is left out.
std::string FilterText(const std::vector<FileFilter>& filters) {
    std::string text;
    for (const FileFilter& filter : filters) {
        std::string patterns;
        for (const std::string& pattern : filter.patterns) {
            if (!patterns.empty()) {
                patterns += ';';
            }
            patterns += pattern;
        }
        if (patterns.empty() || filter.description.find('\0') != std::string::npos ||
            patterns.find('\0') != std::string::npos) {
            continue;
        }
        text += win32::Utf8ToAnsi(filter.description);
        text += '\0';
        text += win32::Utf8ToAnsi(patterns);
        text += '\0';
    }
    text += '\0';
    return text;
}

class Win32FileChooser final : public FileChooser {
public:
    std::optional<std::string> ChooseFileToOpen(WindowHandle owner,
                                                const std::vector<FileFilter>& filters,
                                                bool mustExist) override {
        const std::string filterText = FilterText(filters);
        char path[MAX_PATH] = {};
        OPENFILENAMEA request{};
        request.lStructSize = sizeof request;
        request.hwndOwner = owner != 0 && IsWindow(reinterpret_cast<HWND>(owner))
                                ? reinterpret_cast<HWND>(owner)
                                : nullptr;
        request.lpstrFilter = filterText.size() > 1 ? filterText.c_str() : nullptr;
        request.nFilterIndex = 1;
        request.lpstrFile = path;
        request.nMaxFile = MAX_PATH;
        request.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST |
                        (mustExist ? OFN_FILEMUSTEXIST : 0);
        if (!GetOpenFileNameA(&request)) {
            return std::nullopt;
        }
        path[MAX_PATH - 1] = '\0';
        return win32::AnsiToUtf8(path);
    }
};

}  // namespace

FileChooser& FileChooser::System() {
    static Win32FileChooser chooser;
    return chooser;
}

}  // namespace platform
