// MessageBoxA: texts go to the ANSI code page, as the A function reads them.
#include <string>

#include "platform/message_box.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_api.h"

namespace platform {

namespace {

class Win32MessageBox final : public MessageBox {
public:
    int Show(WindowHandle owner, std::string_view text, std::string_view caption,
             std::uint32_t type) override {
        const std::string ansiText = win32::Utf8ToAnsi(text);
        const std::string ansiCaption = win32::Utf8ToAnsi(caption);
        const HWND ownerWindow = owner != 0 && IsWindow(reinterpret_cast<HWND>(owner))
                                     ? reinterpret_cast<HWND>(owner)
                                     : nullptr;
        return MessageBoxA(ownerWindow, ansiText.c_str(), ansiCaption.c_str(),
                           static_cast<UINT>(type));
    }
};

}  // namespace

MessageBox& MessageBox::System() {
    static Win32MessageBox box;
    return box;
}

}  // namespace platform
