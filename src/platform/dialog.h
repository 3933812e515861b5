// Modal dialogs described by a template (caption, size and controls in dialog units, font) and
// driven by a dialog procedure that sees WM_INITDIALOG and WM_COMMAND as on Windows.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window_messages.h"

namespace platform {

inline constexpr std::uint32_t WM_INITDIALOG = 0x0110;
inline constexpr std::uint32_t WM_COMMAND = 0x0111;
inline constexpr std::uint32_t BN_CLICKED = 0;

enum class ControlKind {
    PushButton,
    DefaultPushButton,
    StaticText,  // left-aligned, wraps
    CenteredText,
    GroupBox,
    CheckBox,
    RadioButton,
    DropDownList,
    Edit,
    Trackbar,
    Bitmap,  // text holds the "BITMAP" resource id in decimal; shown at its own size
};

struct DialogControl {
    int id = -1;
    ControlKind kind = ControlKind::StaticText;
    int x = 0;  // dialog units
    int y = 0;
    int width = 0;
    int height = 0;
    std::string text;  // UTF-8
};

struct DialogTemplate {
    std::string caption;  // UTF-8
    int width = 0;        // dialog units
    int height = 0;
    int fontPointSize = 8;
    std::string fontName;
    std::vector<DialogControl> controls;
};

// Reads a template written as
//     DIALOG <width> <height>
//     CAPTION "<text>"
//     FONT <points> "<face>"
//     <KIND> <id> <x> <y> <w> <h> "<text>"
// with KIND one of PUSHBUTTON DEFPUSHBUTTON LTEXT CTEXT GROUPBOX CHECKBOX RADIOBUTTON DROPDOWN
// EDITTEXT TRACKBAR BITMAP. Texts are Windows-1251 with "" for a quote; lines starting with ';'
// and blank lines are skipped. Nothing when the template is malformed.
std::optional<DialogTemplate> ParseDialogTemplate(std::span<const std::uint8_t> bytes);

// What a dialog procedure may do to its running dialog.
class DialogWindow {
public:
    virtual ~DialogWindow() = default;

    // Places and sizes the dialog's outer window in pixels.
    virtual void SetWindowPos(int x, int y, int width, int height) = 0;
    // Moves the dialog's outer window to `x`, `y` in pixels, keeping its size.
    virtual void MoveWindow(int x, int y) = 0;
    // Ends the modal loop once the procedure returns; `result` becomes RunModal's result.
    virtual void EndDialog(std::intptr_t result) = 0;
    virtual void SetCaption(std::string_view text) = 0;
    virtual void SetItemText(int id, std::string_view text) = 0;
};

// Returns true when it handled the message (WM_INITDIALOG: wParam = 0; WM_COMMAND: the low
// word of wParam is the control id, the high word the notification).
using DialogProc =
    std::function<bool(DialogWindow& dialog, std::uint32_t message, WPARAM wParam, LPARAM lParam)>;

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Shows the dialog modally (owned by `owner` when not 0) and returns the value given to
    // EndDialog, or -1 when it could not be shown. Closing the window or Escape sends WM_COMMAND
    // with IDCANCEL (2), Enter a click of the default push button.
    virtual std::intptr_t RunModal(const DialogTemplate& dialogTemplate, WindowHandle owner,
                                   DialogProc proc) = 0;

    static Dialogs& System();
};

}  // namespace platform
