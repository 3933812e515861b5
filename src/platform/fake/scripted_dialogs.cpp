#include "platform/fake/scripted_dialogs.h"

#include <algorithm>
#include <optional>

namespace platform::fake {

namespace {

struct FakeControl {
    int id = -1;
    ControlKind kind = ControlKind::StaticText;
    std::string text;
    bool enabled = true;
    bool checked = false;
    std::vector<std::string> items;
    int selection = -1;
    int minimum = 0;
    int maximum = 100;
    int position = 0;
    int limit = -1;
    // Radio buttons that follow each other in the template form one group.
    int group = 0;
    Rect rect;
};

std::size_t CharacterCount(std::string_view text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

// The first `characters` characters of a UTF-8 text.
std::string CutToCharacters(std::string_view text, std::size_t characters) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((text[i] & 0xC0) != 0x80 && count++ == characters) {
            return std::string(text.substr(0, i));
        }
    }
    return std::string(text);
}

WPARAM Command(int id, std::uint32_t notification) {
    return static_cast<WPARAM>(static_cast<std::uint16_t>(id)) | static_cast<WPARAM>(notification)
                                                                     << 16;
}

class FakeDialogWindow final : public DialogWindow, public DialogController {
public:
    FakeDialogWindow(ScriptedDialogs& owner, const DialogTemplate& dialogTemplate, DialogProc proc,
                     WindowHandle handle)
        : owner_(owner), proc_(std::move(proc)), handle_(handle), origin_(owner.origin) {
        int group = 0;
        ControlKind previous = ControlKind::StaticText;
        for (const DialogControl& control : dialogTemplate.controls) {
            if (control.kind == ControlKind::RadioButton && previous != ControlKind::RadioButton) {
                ++group;
            }
            previous = control.kind;
            if (control.id == -1) {
                continue;
            }
            FakeControl state;
            state.id = control.id;
            state.kind = control.kind;
            state.text = control.text;
            state.group = group;
            state.rect = {control.x, control.y, control.x + control.width,
                          control.y + control.height};
            controls_.push_back(std::move(state));
        }
    }

    bool Send(std::uint32_t message, WPARAM wParam, LPARAM lParam) {
        return proc_(*this, message, wParam, lParam);
    }
    const std::optional<std::intptr_t>& result() const { return result_; }

    // DialogWindow
    WindowHandle Handle() const override { return handle_; }
    std::pair<int, int> WindowOrigin() const override { return origin_; }
    void SetWindowPos(int x, int y, int width, int height) override {
        owner_.positions.push_back({x, y, width, height});
        origin_ = {x, y};
    }
    void MoveWindow(int x, int y) override {
        owner_.moves.push_back({x, y});
        origin_ = {x, y};
    }
    void EndDialog(std::intptr_t result) override { result_ = result; }
    void SetCaption(std::string_view text) override { owner_.caption = std::string(text); }
    void SetItemText(int id, std::string_view text) override {
        owner_.itemTexts[id] = std::string(text);
        if (FakeControl* control = Find(id)) {
            control->text = std::string(text);
        }
    }
    std::string GetItemText(int id) const override {
        const FakeControl* control = Find(id);
        return control ? control->text : std::string();
    }
    void LimitItemText(int id, int characters) override {
        if (FakeControl* control = Find(id, ControlKind::Edit)) {
            control->limit = characters;
        }
    }
    void EnableItem(int id, bool enabled) override {
        if (FakeControl* control = Find(id)) {
            control->enabled = enabled;
        }
    }
    void CheckItem(int id, bool checked) override {
        if (FakeControl* control = FindCheckable(id)) {
            control->checked = checked;
        }
    }
    bool IsItemChecked(int id) const override {
        const FakeControl* control = Find(id);
        return control && control->checked;
    }
    void CheckRadioButton(int first, int last, int checked) override {
        for (FakeControl& control : controls_) {
            if (control.kind == ControlKind::RadioButton && control.id >= first &&
                control.id <= last) {
                control.checked = control.id == checked;
            }
        }
    }
    void ResetList(int id) override {
        if (FakeControl* control = Find(id, ControlKind::DropDownList)) {
            control->items.clear();
            control->selection = -1;
        }
    }
    int AddListItem(int id, std::string_view text) override {
        FakeControl* control = Find(id, ControlKind::DropDownList);
        if (!control) {
            return -1;
        }
        control->items.emplace_back(text);
        return static_cast<int>(control->items.size()) - 1;
    }
    void SetListSelection(int id, int index) override {
        if (FakeControl* control = Find(id, ControlKind::DropDownList)) {
            const bool valid = index >= 0 && index < static_cast<int>(control->items.size());
            control->selection = valid ? index : -1;
        }
    }
    int GetListSelection(int id) const override {
        const FakeControl* control = Find(id, ControlKind::DropDownList);
        return control ? control->selection : -1;
    }
    void SetTrackbarRange(int id, int minimum, int maximum) override {
        if (FakeControl* control = Find(id, ControlKind::Trackbar)) {
            control->minimum = minimum;
            control->maximum = std::max(minimum, maximum);
            control->position = std::clamp(control->position, control->minimum, control->maximum);
        }
    }
    void SetTrackbarPos(int id, int position) override {
        if (FakeControl* control = Find(id, ControlKind::Trackbar)) {
            control->position = std::clamp(position, control->minimum, control->maximum);
        }
    }
    int GetTrackbarPos(int id) const override {
        const FakeControl* control = Find(id, ControlKind::Trackbar);
        return control ? control->position : 0;
    }

    // DialogController
    void Click(int id) override {
        FakeControl* control = Usable(id);
        if (!control) {
            return;
        }
        switch (control->kind) {
            case ControlKind::PushButton:
            case ControlKind::DefaultPushButton:
                break;
            case ControlKind::CheckBox:
                control->checked = !control->checked;
                break;
            case ControlKind::RadioButton:
                for (FakeControl& other : controls_) {
                    if (other.kind == ControlKind::RadioButton && other.group == control->group) {
                        other.checked = &other == control;
                    }
                }
                break;
            default:
                return;
        }
        Send(WM_COMMAND, Command(id, BN_CLICKED), 0);
    }
    void ChooseListItem(int id, int index) override {
        FakeControl* control = Usable(id, ControlKind::DropDownList);
        if (!control || index < 0 || index >= static_cast<int>(control->items.size())) {
            return;
        }
        control->selection = index;
        Send(WM_COMMAND, Command(id, CBN_SELCHANGE), 0);
    }
    void MoveTrackbar(int id, int position) override {
        FakeControl* control = Usable(id, ControlKind::Trackbar);
        if (!control) {
            return;
        }
        control->position = std::clamp(position, control->minimum, control->maximum);
        const auto wParam = static_cast<WPARAM>(TB_THUMBPOSITION) |
                            static_cast<WPARAM>(static_cast<std::uint16_t>(control->position))
                                << 16;
        Send(WM_HSCROLL, wParam, id);
    }
    void TypeText(int id, std::string_view text) override {
        FakeControl* control = Usable(id, ControlKind::Edit);
        if (!control) {
            return;
        }
        control->text = control->limit >= 0 && CharacterCount(text) > std::size_t(control->limit)
                            ? CutToCharacters(text, std::size_t(control->limit))
                            : std::string(text);
        Send(WM_COMMAND, Command(id, EN_CHANGE), 0);
    }
    bool IsOpen() const override { return !result_; }
    std::string Caption() const override { return owner_.caption; }
    std::string ItemText(int id) const override { return GetItemText(id); }
    bool IsEnabled(int id) const override {
        const FakeControl* control = Find(id);
        return control && control->enabled;
    }
    bool IsChecked(int id) const override { return IsItemChecked(id); }
    std::vector<std::string> ListItems(int id) const override {
        const FakeControl* control = Find(id, ControlKind::DropDownList);
        return control ? control->items : std::vector<std::string>{};
    }
    int ListSelection(int id) const override { return GetListSelection(id); }
    std::pair<int, int> TrackbarRange(int id) const override {
        const FakeControl* control = Find(id, ControlKind::Trackbar);
        return control ? std::pair{control->minimum, control->maximum} : std::pair{0, 0};
    }
    int TrackbarPos(int id) const override { return GetTrackbarPos(id); }
    Rect ItemRect(int id) const override {
        const FakeControl* control = Find(id);
        return control ? control->rect : Rect{};
    }
    bool IsClipped(int) const override { return false; }
    void WaitUntilDrawn() override {}

private:
    FakeControl* Find(int id) {
        const auto found = std::find_if(controls_.begin(), controls_.end(),
                                        [id](const FakeControl& c) { return c.id == id; });
        return found == controls_.end() ? nullptr : &*found;
    }
    const FakeControl* Find(int id) const { return const_cast<FakeDialogWindow*>(this)->Find(id); }
    FakeControl* Find(int id, ControlKind kind) {
        FakeControl* control = Find(id);
        return control && control->kind == kind ? control : nullptr;
    }
    const FakeControl* Find(int id, ControlKind kind) const {
        return const_cast<FakeDialogWindow*>(this)->Find(id, kind);
    }
    FakeControl* FindCheckable(int id) {
        FakeControl* control = Find(id);
        return control && (control->kind == ControlKind::CheckBox ||
                           control->kind == ControlKind::RadioButton)
                   ? control
                   : nullptr;
    }
    // A control the user can reach: the dialog is open and the control enabled.
    FakeControl* Usable(int id) {
        FakeControl* control = Find(id);
        return !result_ && control && control->enabled ? control : nullptr;
    }
    FakeControl* Usable(int id, ControlKind kind) {
        FakeControl* control = Usable(id);
        return control && control->kind == kind ? control : nullptr;
    }

    ScriptedDialogs& owner_;
    DialogProc proc_;
    WindowHandle handle_;
    std::pair<int, int> origin_;
    std::vector<FakeControl> controls_;
    std::optional<std::intptr_t> result_;
};

}  // namespace

std::intptr_t ScriptedDialogs::RunModal(const DialogTemplate& dialogTemplate, WindowHandle owner,
                                        DialogProc proc) {
    if (!available) {
        return -1;
    }
    ++runs;
    shownTemplate = dialogTemplate;
    shownOwner = owner;
    owners.push_back(owner);
    positions.clear();
    moves.clear();
    itemTexts.clear();
    caption = dialogTemplate.caption;
    // Each dialog gets a handle of its own, so nested ones can name their owner.
    FakeDialogWindow window(*this, dialogTemplate, std::move(proc),
                            static_cast<WindowHandle>(0x5000 + runs));
    // The script belongs to this dialog even when it ends before showing.
    const DialogScript script = TakeScript();
    initHandled = window.Send(WM_INITDIALOG, 0, 0);
    if (window.result()) {
        return *window.result();
    }
    if (script) {
        script(window);
    } else {
        for (int id : clicks) {
            if (window.result()) {
                break;
            }
            window.Send(WM_COMMAND, static_cast<WPARAM>(static_cast<std::uint16_t>(id)), 0);
        }
    }
    // A dialog left open gives -1, as if it could not be shown.
    return window.result().value_or(-1);
}

}  // namespace platform::fake
