// Modal dialogs described by a template (caption, size and controls in dialog units, font) and
// driven by a dialog procedure that sees WM_INITDIALOG and WM_COMMAND as on Windows.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/window.h"
#include "platform/window_messages.h"

namespace platform {

inline constexpr std::uint32_t WM_INITDIALOG = 0x0110;
inline constexpr std::uint32_t WM_COMMAND = 0x0111;
inline constexpr std::uint32_t WM_HSCROLL = 0x0114;
inline constexpr std::uint32_t BN_CLICKED = 0;
inline constexpr std::uint32_t CBN_SELCHANGE = 1;
inline constexpr std::uint32_t EN_CHANGE = 0x0300;
inline constexpr std::uint32_t TB_THUMBPOSITION = 4;

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

// What a dialog procedure may do to its running dialog. Changes made here send no notification,
// as on Windows; only the user's actions do. Unknown ids and controls of another kind are ignored
// (queries answer 0, false, -1 or an empty text).
class DialogWindow {
public:
    virtual ~DialogWindow() = default;

    // The dialog's own window, to own the dialogs it opens.
    virtual WindowHandle Handle() const = 0;
    // The top-left corner of the outer window in pixels.
    virtual std::pair<int, int> WindowOrigin() const = 0;

    // Places and sizes the dialog's outer window in pixels.
    virtual void SetWindowPos(int x, int y, int width, int height) = 0;
    // Moves the dialog's outer window to `x`, `y` in pixels, keeping its size.
    virtual void MoveWindow(int x, int y) = 0;
    // Ends the modal loop once the procedure returns; `result` becomes RunModal's result.
    virtual void EndDialog(std::intptr_t result) = 0;
    virtual void SetCaption(std::string_view text) = 0;
    // Labels of buttons, check boxes, radio buttons and static texts read '&' as on Windows: it
    // marks the next letter as the mnemonic, "&&" stands for '&'.
    virtual void SetItemText(int id, std::string_view text) = 0;
    virtual std::string GetItemText(int id) const = 0;
    // The most characters an edit control accepts from the user.
    virtual void LimitItemText(int id, int characters) = 0;
    virtual void EnableItem(int id, bool enabled) = 0;

    // Check boxes and radio buttons.
    virtual void CheckItem(int id, bool checked) = 0;
    virtual bool IsItemChecked(int id) const = 0;
    // Checks `checked` and clears every other radio button with an id in first .. last.
    virtual void CheckRadioButton(int first, int last, int checked) = 0;

    // Drop-down lists: items in the order added; the selection is an index, -1 for none.
    virtual void ResetList(int id) = 0;
    // The new item's index, or -1.
    virtual int AddListItem(int id, std::string_view text) = 0;
    virtual void SetListSelection(int id, int index) = 0;
    virtual int GetListSelection(int id) const = 0;

    // Trackbars: the position stays within the range.
    virtual void SetTrackbarRange(int id, int minimum, int maximum) = 0;
    virtual void SetTrackbarPos(int id, int position) = 0;
    virtual int GetTrackbarPos(int id) const = 0;
};

// What a user does to a running dialog and what they see of it: tests drive dialogs through it.
// The actions reach the procedure as the user's would (WM_COMMAND with BN_CLICKED, CBN_SELCHANGE
// or EN_CHANGE; WM_HSCROLL with TB_THUMBPOSITION and the trackbar's id as lParam); on a disabled
// control they do nothing.
class DialogController {
public:
    virtual ~DialogController() = default;

    // A push button pressed, a check box toggled, a radio button chosen.
    virtual void Click(int id) = 0;
    virtual void ChooseListItem(int id, int index) = 0;
    virtual void MoveTrackbar(int id, int position) = 0;
    // Replaces the edit's text, cut to its limit.
    virtual void TypeText(int id, std::string_view text) = 0;

    // False once the dialog has ended.
    virtual bool IsOpen() const = 0;
    virtual std::string Caption() const = 0;
    virtual std::string ItemText(int id) const = 0;
    virtual bool IsEnabled(int id) const = 0;
    virtual bool IsChecked(int id) const = 0;
    virtual std::vector<std::string> ListItems(int id) const = 0;
    virtual int ListSelection(int id) const = 0;
    virtual std::pair<int, int> TrackbarRange(int id) const = 0;
    virtual int TrackbarPos(int id) const = 0;

    // Layout as shown: the control's rectangle in the dialog's client area (pixels; dialog units
    // where nothing is drawn), and whether its content needs more room than it has.
    virtual WindowHandle Handle() const = 0;
    virtual Rect ItemRect(int id) const = 0;
    virtual bool IsClipped(int id) const = 0;
    // Returns once everything pending is drawn, so the window can be captured.
    virtual void WaitUntilDrawn() = 0;
};

using DialogScript = std::function<void(DialogController& controller)>;

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

    // The next dialog shown (nested ones included, in the order they open) runs `script` once
    // it is on screen instead of waiting for the user. A script that leaves its dialog open ends
    // it with -1.
    void Drive(DialogScript script) { scripts_.push_back(std::move(script)); }

    static Dialogs& System();

protected:
    // The script for the dialog being shown now, if one is waiting.
    DialogScript TakeScript();

private:
    std::vector<DialogScript> scripts_;
};

}  // namespace platform
