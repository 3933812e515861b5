// Modal message boxes. Texts are UTF-8; callers holding Windows-1251 texts convert them first.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/window_messages.h"

namespace platform {

inline constexpr std::uint32_t MB_OK = 0x00000000;
inline constexpr std::uint32_t MB_OKCANCEL = 0x00000001;
inline constexpr std::uint32_t MB_ICONERROR = 0x00000010;
inline constexpr std::uint32_t MB_ICONWARNING = 0x00000030;
inline constexpr std::uint32_t MB_ICONINFORMATION = 0x00000040;

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

class MessageBox {
public:
    virtual ~MessageBox() = default;

    // Shows `text` under `caption` with the buttons of `type` and waits. Returns the id of the
    // button chosen (IDOK, IDCANCEL), or 0 when no box could be shown.
    virtual int Show(WindowHandle owner, std::string_view text, std::string_view caption,
                     std::uint32_t type) = 0;

    // The desktop's message boxes.
    static MessageBox& System();
};

}  // namespace platform
