// Dialogs as Windows runs them: DialogBoxIndirectParamW over the template built in memory, real
// controls, the dialog manager's own Tab order, Escape and Enter. The procedure sees the
// controls' notifications; what it changes itself is kept quiet, as the interface promises.
#include <algorithm>
#include <charconv>
#include <optional>
#include <string>
#include <vector>

#include "platform/bmp_image.h"
#include "platform/dialog.h"
#include "platform/resources.h"
#include "platform/win32/dialog_template_win32.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_api.h"

#include <commctrl.h>

namespace platform {

namespace {

// Posted once the dialog is up, to run its script from inside the modal loop.
constexpr UINT kRunScriptMessage = WM_APP + 1;

void EnsureCommonControls() {
    static const bool ready = [] {
        INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
        return InitCommonControlsEx(&controls) != FALSE;
    }();
    static_cast<void>(ready);
}

HWND AsWindow(WindowHandle handle) {
    return reinterpret_cast<HWND>(handle);
}

std::string WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(copied, 0)));
    return win32::WideToUtf8(text);
}

HBITMAP MakeDib(int width, int height, std::uint32_t*& bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* memory = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &memory, nullptr, 0);
    if (bitmap != nullptr && memory == nullptr) {
        DeleteObject(bitmap);
        return nullptr;
    }
    bits = static_cast<std::uint32_t*>(memory);
    return bitmap;
}

// `source` (width by height) scaled into a new bitmap of `width` by `height`; null on failure.
HBITMAP Scaled(HBITMAP source, int sourceWidth, int sourceHeight, int width, int height) {
    std::uint32_t* bits = nullptr;
    HBITMAP scaled = MakeDib(width, height, bits);
    HDC from = CreateCompatibleDC(nullptr);
    HDC to = CreateCompatibleDC(nullptr);
    if (scaled != nullptr && from != nullptr && to != nullptr) {
        const HGDIOBJ oldFrom = SelectObject(from, source);
        const HGDIOBJ oldTo = SelectObject(to, scaled);
        SetStretchBltMode(to, HALFTONE);
        SetBrushOrgEx(to, 0, 0, nullptr);
        StretchBlt(to, 0, 0, width, height, from, 0, 0, sourceWidth, sourceHeight, SRCCOPY);
        SelectObject(from, oldFrom);
        SelectObject(to, oldTo);
    }
    if (from != nullptr) {
        DeleteDC(from);
    }
    if (to != nullptr) {
        DeleteDC(to);
    }
    return scaled;
}

// The bitmap resource whose decimal id is `idText`, as a top-down 32-bit DIB, made smaller to
// fit `room` with its proportions kept: the room follows the dialog's font and the picture would
// otherwise cover its neighbours. Null when there is none or it can't be read.
HBITMAP LoadBitmapResource(const std::string& idText, SIZE room) {
    std::uint32_t id = 0;
    const char* end = idText.data() + idText.size();
    const auto [stop, error] = std::from_chars(idText.data(), end, id);
    if (error != std::errc() || stop != end) {
        return nullptr;
    }
    const auto bytes = Resources::Module().Find("BITMAP", id);
    const auto image = bytes ? DecodeBmp(*bytes) : std::nullopt;
    if (!image) {
        return nullptr;
    }
    std::uint32_t* bits = nullptr;
    HBITMAP bitmap = MakeDib(image->width, image->height, bits);
    if (bitmap == nullptr) {
        return nullptr;
    }
    // 0x00RRGGBB in memory is blue, green, red, unused: the DIB's own order.
    std::copy(image->pixels.begin(), image->pixels.end(), bits);
    GdiFlush();
    if (room.cx <= 0 || room.cy <= 0 || (image->width <= room.cx && image->height <= room.cy)) {
        return bitmap;
    }
    const double scale = std::min(static_cast<double>(room.cx) / image->width,
                                  static_cast<double>(room.cy) / image->height);
    HBITMAP scaled =
        Scaled(bitmap, image->width, image->height,
               std::max(1, static_cast<int>(image->width * scale)),
               std::max(1, static_cast<int>(image->height * scale)));
    DeleteObject(bitmap);
    return scaled;
}

class Win32DialogWindow final : public DialogWindow, public DialogController {
public:
    Win32DialogWindow(const DialogTemplate& dialogTemplate, DialogProc proc, DialogScript script)
        : template_(dialogTemplate), proc_(std::move(proc)), script_(std::move(script)) {}

    ~Win32DialogWindow() override {
        for (HBITMAP bitmap : bitmaps_) {
            DeleteObject(bitmap);
        }
    }

    Win32DialogWindow(const Win32DialogWindow&) = delete;
    Win32DialogWindow& operator=(const Win32DialogWindow&) = delete;

    std::intptr_t Run(WindowHandle owner) {
        EnsureCommonControls();
        const std::vector<std::uint8_t> bytes = win32::BuildDialogTemplateEx(template_);
        const HWND ownerWindow =
            owner != 0 && IsWindow(AsWindow(owner)) ? AsWindow(owner) : nullptr;
        const INT_PTR result = DialogBoxIndirectParamW(
            GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(bytes.data()),
            ownerWindow, &Procedure, reinterpret_cast<LPARAM>(this));
        return ended_ ? result_ : (result == 0 ? -1 : static_cast<std::intptr_t>(result));
    }

    // DialogWindow
    WindowHandle Handle() const override { return reinterpret_cast<WindowHandle>(window_); }

    std::pair<int, int> WindowOrigin() const override {
        RECT rect{};
        GetWindowRect(window_, &rect);
        return {rect.left, rect.top};
    }

    void SetWindowPos(int x, int y, int width, int height) override {
        ::SetWindowPos(window_, nullptr, x, y, width, height, 0);
    }

    void MoveWindow(int x, int y) override {
        ::SetWindowPos(window_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }

    void EndDialog(std::intptr_t result) override {
        ended_ = true;
        result_ = result;
        ::EndDialog(window_, result);
    }

    void SetCaption(std::string_view text) override {
        SetWindowTextW(window_, win32::Utf8ToWide(text).c_str());
    }

    void SetItemText(int id, std::string_view text) override {
        const Item* item = Find(id);
        if (item == nullptr || item->kind == ControlKind::Bitmap ||
            item->kind == ControlKind::Trackbar || item->kind == ControlKind::DropDownList) {
            return;
        }
        const Quiet quiet(*this);
        SetWindowTextW(item->window, win32::Utf8ToWide(text).c_str());
    }

    std::string GetItemText(int id) const override {
        const Item* item = Find(id);
        return item != nullptr && item->kind != ControlKind::Bitmap ? WindowText(item->window)
                                                                    : std::string();
    }

    void LimitItemText(int id, int characters) override {
        if (const Item* item = Find(id, ControlKind::Edit)) {
            SendMessageW(item->window, EM_SETLIMITTEXT,
                         static_cast<::WPARAM>(std::clamp(characters, 0, 65535)), 0);
        }
    }

    void EnableItem(int id, bool enabled) override {
        if (const Item* item = Find(id)) {
            EnableWindow(item->window, enabled ? TRUE : FALSE);
        }
    }

    void CheckItem(int id, bool checked) override {
        if (const Item* item = FindCheckable(id)) {
            const Quiet quiet(*this);
            SendMessageW(item->window, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
        }
    }

    bool IsItemChecked(int id) const override {
        const Item* item = FindCheckable(id);
        return item != nullptr &&
               SendMessageW(item->window, BM_GETCHECK, 0, 0) == static_cast<LRESULT>(BST_CHECKED);
    }

    void CheckRadioButton(int first, int last, int checked) override {
        const Quiet quiet(*this);
        for (const Item& item : items_) {
            if (item.kind == ControlKind::RadioButton && item.id >= first && item.id <= last) {
                SendMessageW(item.window, BM_SETCHECK,
                             item.id == checked ? BST_CHECKED : BST_UNCHECKED, 0);
            }
        }
    }

    void ResetList(int id) override {
        if (const Item* item = Find(id, ControlKind::DropDownList)) {
            const Quiet quiet(*this);
            SendMessageW(item->window, CB_RESETCONTENT, 0, 0);
        }
    }

    int AddListItem(int id, std::string_view text) override {
        const Item* item = Find(id, ControlKind::DropDownList);
        if (item == nullptr) {
            return -1;
        }
        const Quiet quiet(*this);
        const std::wstring wide = win32::Utf8ToWide(text);
        const LRESULT index =
            SendMessageW(item->window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
        return index < 0 ? -1 : static_cast<int>(index);
    }

    void SetListSelection(int id, int index) override {
        if (const Item* item = Find(id, ControlKind::DropDownList)) {
            const Quiet quiet(*this);
            SendMessageW(item->window, CB_SETCURSEL, static_cast<::WPARAM>(index), 0);
        }
    }

    int GetListSelection(int id) const override {
        const Item* item = Find(id, ControlKind::DropDownList);
        return item != nullptr ? static_cast<int>(SendMessageW(item->window, CB_GETCURSEL, 0, 0))
                               : -1;
    }

    void SetTrackbarRange(int id, int minimum, int maximum) override {
        if (const Item* item = Find(id, ControlKind::Trackbar)) {
            const Quiet quiet(*this);
            SendMessageW(item->window, TBM_SETRANGEMIN, FALSE, minimum);
            SendMessageW(item->window, TBM_SETRANGEMAX, TRUE, std::max(minimum, maximum));
        }
    }

    void SetTrackbarPos(int id, int position) override {
        if (const Item* item = Find(id, ControlKind::Trackbar)) {
            const Quiet quiet(*this);
            SendMessageW(item->window, TBM_SETPOS, TRUE, position);
        }
    }

    int GetTrackbarPos(int id) const override {
        const Item* item = Find(id, ControlKind::Trackbar);
        return item != nullptr ? static_cast<int>(SendMessageW(item->window, TBM_GETPOS, 0, 0))
                               : 0;
    }

    // DialogController: each action goes through the control as the user's would.
    void Click(int id) override {
        const Item* item = Usable(id);
        if (item != nullptr && IsButton(item->kind)) {
            SendMessageW(item->window, BM_CLICK, 0, 0);
        }
    }

    void ChooseListItem(int id, int index) override {
        const Item* item = Usable(id, ControlKind::DropDownList);
        if (item == nullptr || index < 0 ||
            index >= static_cast<int>(SendMessageW(item->window, CB_GETCOUNT, 0, 0))) {
            return;
        }
        SendMessageW(item->window, CB_SETCURSEL, static_cast<::WPARAM>(index), 0);
        SendMessageW(window_, WM_COMMAND, MAKEWPARAM(item->id, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(item->window));
    }

    void MoveTrackbar(int id, int position) override {
        const Item* item = Usable(id, ControlKind::Trackbar);
        if (item == nullptr) {
            return;
        }
        SendMessageW(item->window, TBM_SETPOS, TRUE, position);
        const auto placed = static_cast<std::uint16_t>(GetTrackbarPos(id));
        SendMessageW(window_, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, placed),
                     reinterpret_cast<LPARAM>(item->window));
    }

    void TypeText(int id, std::string_view text) override {
        const Item* item = Usable(id, ControlKind::Edit);
        if (item == nullptr) {
            return;
        }
        // The limit holds for typing only; text set by a program passes it.
        std::wstring wide = win32::Utf8ToWide(text);
        const auto limit = static_cast<std::size_t>(SendMessageW(item->window, EM_GETLIMITTEXT, 0, 0));
        if (wide.size() > limit) {
            wide.resize(limit);
        }
        SetWindowTextW(item->window, wide.c_str());
    }

    bool IsOpen() const override { return !ended_; }
    std::string Caption() const override { return WindowText(window_); }
    std::string ItemText(int id) const override { return GetItemText(id); }
    bool IsEnabled(int id) const override {
        const Item* item = Find(id);
        return item != nullptr && IsWindowEnabled(item->window) != FALSE;
    }
    bool IsChecked(int id) const override { return IsItemChecked(id); }

    std::vector<std::string> ListItems(int id) const override {
        std::vector<std::string> texts;
        const Item* item = Find(id, ControlKind::DropDownList);
        if (item == nullptr) {
            return texts;
        }
        const auto count = static_cast<int>(SendMessageW(item->window, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            const LRESULT length = SendMessageW(item->window, CB_GETLBTEXTLEN, i, 0);
            std::wstring text(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
            const LRESULT copied =
                SendMessageW(item->window, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
            text.resize(static_cast<std::size_t>(std::max<LRESULT>(copied, 0)));
            texts.push_back(win32::WideToUtf8(text));
        }
        return texts;
    }

    int ListSelection(int id) const override { return GetListSelection(id); }

    std::pair<int, int> TrackbarRange(int id) const override {
        const Item* item = Find(id, ControlKind::Trackbar);
        if (item == nullptr) {
            return {0, 0};
        }
        return {static_cast<int>(SendMessageW(item->window, TBM_GETRANGEMIN, 0, 0)),
                static_cast<int>(SendMessageW(item->window, TBM_GETRANGEMAX, 0, 0))};
    }

    int TrackbarPos(int id) const override { return GetTrackbarPos(id); }

    Rect ItemRect(int id) const override {
        const Item* item = Find(id);
        if (item == nullptr) {
            return {};
        }
        RECT rect{};
        GetWindowRect(item->window, &rect);
        MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&rect), 2);
        return {rect.left, rect.top, rect.right, rect.bottom};
    }

    bool IsClipped(int id) const override {
        const Item* item = Find(id);
        return item != nullptr && TextNeedsMoreRoom(*item);
    }

    void WaitUntilDrawn() override {
        RedrawWindow(window_, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        GdiFlush();
        for (int round = 0; round < 10; ++round) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (message.message == WM_QUIT) {
                    PostQuitMessage(static_cast<int>(message.wParam));
                    return;
                }
                if (!IsDialogMessageW(window_, &message)) {
                    TranslateMessage(&message);
                    DispatchMessageW(&message);
                }
            }
            Sleep(10);
        }
    }

private:
    struct Item {
        int id = -1;
        ControlKind kind = ControlKind::StaticText;
        HWND window = nullptr;
    };

    // Notifications the controls send while the procedure changes them are not the user's.
    class Quiet {
    public:
        explicit Quiet(Win32DialogWindow& owner) : owner_(owner) { ++owner_.quiet_; }
        ~Quiet() { --owner_.quiet_; }
        Quiet(const Quiet&) = delete;
        Quiet& operator=(const Quiet&) = delete;

    private:
        Win32DialogWindow& owner_;
    };

    static bool IsButton(ControlKind kind) {
        return kind == ControlKind::PushButton || kind == ControlKind::DefaultPushButton ||
               kind == ControlKind::CheckBox || kind == ControlKind::RadioButton;
    }

    const Item* Find(int id) const {
        const auto found =
            std::find_if(items_.begin(), items_.end(), [id](const Item& item) { return item.id == id; });
        return found != items_.end() ? &*found : nullptr;
    }

    const Item* Find(int id, ControlKind kind) const {
        const Item* item = Find(id);
        return item != nullptr && item->kind == kind ? item : nullptr;
    }

    const Item* FindCheckable(int id) const {
        const Item* item = Find(id);
        return item != nullptr && (item->kind == ControlKind::CheckBox ||
                                   item->kind == ControlKind::RadioButton)
                   ? item
                   : nullptr;
    }

    const Item* Usable(int id) const {
        const Item* item = Find(id);
        return item != nullptr && IsWindowEnabled(item->window) ? item : nullptr;
    }

    const Item* Usable(int id, ControlKind kind) const {
        const Item* item = Usable(id);
        return item != nullptr && item->kind == kind ? item : nullptr;
    }

    // Whether the control's text, in its own font, needs more room than the control has: one
    // line for buttons (beside the box of a check or radio button), wrapped lines for texts.
    bool TextNeedsMoreRoom(const Item& item) const {
        const bool wraps =
            item.kind == ControlKind::StaticText || item.kind == ControlKind::CenteredText;
        if (!wraps && !IsButton(item.kind)) {
            return false;
        }
        const std::wstring text = win32::Utf8ToWide(WindowText(item.window));
        if (text.empty()) {
            return false;
        }
        RECT client{};
        GetClientRect(item.window, &client);
        int room = client.right - client.left;
        if (item.kind == ControlKind::CheckBox || item.kind == ControlKind::RadioButton) {
            room -= GetSystemMetrics(SM_CXMENUCHECK) + GetSystemMetrics(SM_CXEDGE);
        }
        HDC dc = GetDC(item.window);
        if (dc == nullptr) {
            return false;
        }
        const auto font = reinterpret_cast<HFONT>(SendMessageW(item.window, WM_GETFONT, 0, 0));
        const HGDIOBJ previous = font != nullptr ? SelectObject(dc, font) : nullptr;
        RECT needed{0, 0, std::max(room, 1), 0};
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &needed,
                  DT_CALCRECT | (wraps ? DT_WORDBREAK : DT_SINGLELINE));
        if (previous != nullptr) {
            SelectObject(dc, previous);
        }
        ReleaseDC(item.window, dc);
        return needed.right > room || needed.bottom > client.bottom - client.top;
    }

    // Pairs the dialog's child windows, made in the template's order, with the controls.
    void CollectItems() {
        HWND child = GetWindow(window_, GW_CHILD);
        for (const DialogControl& control : template_.controls) {
            if (child == nullptr) {
                break;
            }
            items_.push_back({control.id, control.kind, child});
            if (control.kind == ControlKind::Bitmap) {
                RECT room{0, 0, control.width, control.height};
                MapDialogRect(window_, &room);
                if (HBITMAP bitmap =
                        LoadBitmapResource(control.text, {room.right, room.bottom})) {
                    bitmaps_.push_back(bitmap);
                    SendMessageW(child, STM_SETIMAGE, IMAGE_BITMAP,
                                 reinterpret_cast<LPARAM>(bitmap));
                }
            }
            child = GetWindow(child, GW_HWNDNEXT);
        }
    }

    INT_PTR HandleMessage(UINT message, ::WPARAM wParam, ::LPARAM lParam) {
        switch (message) {
            case WM_INITDIALOG:
                CollectItems();
                proc_(*this, WM_INITDIALOG, 0, 0);
                if (script_ && !ended_) {
                    PostMessageW(window_, kRunScriptMessage, 0, 0);
                }
                return TRUE;
            case WM_COMMAND:
                // lParam is the control when a control sent it.
                if (quiet_ > 0 && lParam != 0) {
                    return TRUE;
                }
                return proc_(*this, WM_COMMAND, wParam, 0) ? TRUE : FALSE;
            case WM_HSCROLL: {
                if (quiet_ > 0 || lParam == 0) {
                    return TRUE;
                }
                const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
                return proc_(*this, WM_HSCROLL, wParam, id) ? TRUE : FALSE;
            }
            case kRunScriptMessage: {
                WaitUntilDrawn();
                const DialogScript script = std::move(script_);
                script_ = nullptr;
                if (script && !ended_) {
                    script(*this);
                }
                if (!ended_) {
                    EndDialog(-1);
                }
                return TRUE;
            }
            default:
                return FALSE;
        }
    }

    static INT_PTR CALLBACK Procedure(HWND window, UINT message, ::WPARAM wParam, ::LPARAM lParam) {
        if (message == WM_INITDIALOG) {
            auto* self = reinterpret_cast<Win32DialogWindow*>(lParam);
            self->window_ = window;
            SetWindowLongPtrW(window, DWLP_USER, lParam);
            return self->HandleMessage(message, wParam, lParam);
        }
        auto* self = reinterpret_cast<Win32DialogWindow*>(GetWindowLongPtrW(window, DWLP_USER));
        return self != nullptr ? self->HandleMessage(message, wParam, lParam) : FALSE;
    }

    const DialogTemplate& template_;
    DialogProc proc_;
    DialogScript script_;
    HWND window_ = nullptr;
    std::vector<Item> items_;
    std::vector<HBITMAP> bitmaps_;
    int quiet_ = 0;
    bool ended_ = false;
    std::intptr_t result_ = -1;
};

class Win32Dialogs final : public Dialogs {
public:
    std::intptr_t RunModal(const DialogTemplate& dialogTemplate, WindowHandle owner,
                           DialogProc proc) override {
        if (!proc) {
            return -1;
        }
        Win32DialogWindow window(dialogTemplate, std::move(proc), TakeScript());
        return window.Run(owner);
    }
};

}  // namespace

Dialogs& Dialogs::System() {
    static Win32Dialogs dialogs;
    return dialogs;
}

}  // namespace platform
