#include "platform/win32/dialog_template_win32.h"

#include <string>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_api.h"

#include <commctrl.h>

namespace platform::win32 {

namespace {

// The predefined classes' ordinals.
constexpr std::uint16_t kButtonAtom = 0x0080;
constexpr std::uint16_t kEditAtom = 0x0081;
constexpr std::uint16_t kStaticAtom = 0x0082;
constexpr std::uint16_t kComboBoxAtom = 0x0085;

class TemplateWriter {
public:
    void Word(std::uint16_t value) {
        bytes_.push_back(static_cast<std::uint8_t>(value));
        bytes_.push_back(static_cast<std::uint8_t>(value >> 8));
    }
    void Dword(std::uint32_t value) {
        Word(static_cast<std::uint16_t>(value));
        Word(static_cast<std::uint16_t>(value >> 16));
    }
    void Short(int value) { Word(static_cast<std::uint16_t>(static_cast<std::int16_t>(value))); }
    void Byte(std::uint8_t value) { bytes_.push_back(value); }
    // A zero-terminated UTF-16 text.
    void Text(std::wstring_view text) {
        for (const wchar_t c : text) {
            if (c == L'\0') {
                break;
            }
            Word(static_cast<std::uint16_t>(c));
        }
        Word(0);
    }
    void Ordinal(std::uint16_t value) {
        Word(0xFFFF);
        Word(value);
    }
    void AlignToDword() {
        while (bytes_.size() % 4 != 0) {
            bytes_.push_back(0);
        }
    }
    std::vector<std::uint8_t> Take() { return std::move(bytes_); }

private:
    std::vector<std::uint8_t> bytes_;
};

void WriteClass(TemplateWriter& out, ControlKind kind) {
    switch (kind) {
        case ControlKind::PushButton:
        case ControlKind::DefaultPushButton:
        case ControlKind::GroupBox:
        case ControlKind::CheckBox:
        case ControlKind::RadioButton:
            out.Ordinal(kButtonAtom);
            break;
        case ControlKind::Edit:
            out.Ordinal(kEditAtom);
            break;
        case ControlKind::DropDownList:
            out.Ordinal(kComboBoxAtom);
            break;
        case ControlKind::Trackbar:
            out.Text(kTrackbarClass);
            break;
        case ControlKind::StaticText:
        case ControlKind::CenteredText:
        case ControlKind::Bitmap:
            out.Ordinal(kStaticAtom);
            break;
    }
}

// A bitmap's text is its resource id, not something to show; lists and trackbars show none.
bool ShowsText(ControlKind kind) {
    return kind != ControlKind::Bitmap && kind != ControlKind::DropDownList &&
           kind != ControlKind::Trackbar;
}

}  // namespace

std::uint32_t ControlStyle(ControlKind kind, bool groupStart) {
    std::uint32_t style = WS_CHILD | WS_VISIBLE | (groupStart ? WS_GROUP : 0);
    switch (kind) {
        case ControlKind::PushButton:
            return style | WS_TABSTOP | BS_PUSHBUTTON;
        case ControlKind::DefaultPushButton:
            return style | WS_TABSTOP | BS_DEFPUSHBUTTON;
        case ControlKind::StaticText:
            return style | SS_LEFT;
        case ControlKind::CenteredText:
            return style | SS_CENTER;
        case ControlKind::GroupBox:
            return style | BS_GROUPBOX;
        case ControlKind::CheckBox:
            return style | WS_TABSTOP | BS_AUTOCHECKBOX;
        case ControlKind::RadioButton:
            // A radio group is one Tab stop, entered at its first button.
            return style | (groupStart ? WS_TABSTOP : 0) | BS_AUTORADIOBUTTON;
        case ControlKind::DropDownList:
            return style | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
        case ControlKind::Edit:
            return style | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
        case ControlKind::Trackbar:
            return style | WS_TABSTOP | TBS_HORZ | TBS_BOTTOM;
        case ControlKind::Bitmap:
            return style | SS_BITMAP;
    }
    return style;
}

std::vector<std::uint8_t> BuildDialogTemplateEx(const DialogTemplate& dialogTemplate) {
    TemplateWriter out;
    out.Word(1);       // dlgVer
    out.Word(0xFFFF);  // signature of the extended form
    out.Dword(0);      // helpID
    out.Dword(0);      // exStyle
    out.Dword(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT);
    out.Word(static_cast<std::uint16_t>(dialogTemplate.controls.size()));
    out.Short(0);
    out.Short(0);
    out.Short(dialogTemplate.width);
    out.Short(dialogTemplate.height);
    out.Word(0);  // no menu
    out.Word(0);  // the dialog class
    out.Text(Utf8ToWide(dialogTemplate.caption));
    out.Word(static_cast<std::uint16_t>(dialogTemplate.fontPointSize));
    out.Word(FW_NORMAL);
    out.Byte(0);  // not italic
    out.Byte(DEFAULT_CHARSET);
    out.Text(Utf8ToWide(dialogTemplate.fontName));

    bool previousWasRadio = false;
    for (const DialogControl& control : dialogTemplate.controls) {
        const bool radio = control.kind == ControlKind::RadioButton;
        out.AlignToDword();
        out.Dword(0);  // helpID
        out.Dword(control.kind == ControlKind::Edit ? WS_EX_CLIENTEDGE : 0);
        out.Dword(ControlStyle(control.kind, !(radio && previousWasRadio)));
        out.Short(control.x);
        out.Short(control.y);
        out.Short(control.width);
        out.Short(control.height);
        out.Dword(static_cast<std::uint32_t>(control.id));
        WriteClass(out, control.kind);
        out.Text(ShowsText(control.kind) ? Utf8ToWide(control.text) : std::wstring());
        out.Word(0);  // no creation data
        previousWasRadio = radio;
    }
    return out.Take();
}

}  // namespace platform::win32
