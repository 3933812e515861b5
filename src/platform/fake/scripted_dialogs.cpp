#include "platform/fake/scripted_dialogs.h"

#include <optional>

namespace platform::fake {

namespace {

class RecordingDialogWindow final : public DialogWindow {
public:
    explicit RecordingDialogWindow(ScriptedDialogs& owner) : owner_(owner) {}

    void SetWindowPos(int x, int y, int width, int height) override {
        owner_.positions.push_back({x, y, width, height});
    }
    void MoveWindow(int x, int y) override { owner_.moves.push_back({x, y}); }
    void EndDialog(std::intptr_t result) override { result_ = result; }
    void SetCaption(std::string_view text) override { owner_.caption = std::string(text); }
    void SetItemText(int id, std::string_view text) override {
        owner_.itemTexts[id] = std::string(text);
    }

    const std::optional<std::intptr_t>& result() const { return result_; }

private:
    ScriptedDialogs& owner_;
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
    positions.clear();
    moves.clear();
    itemTexts.clear();
    caption = dialogTemplate.caption;
    RecordingDialogWindow window(*this);
    initHandled = proc(window, WM_INITDIALOG, 0, 0);
    for (int id : clicks) {
        if (window.result()) {
            break;
        }
        proc(window, WM_COMMAND, static_cast<WPARAM>(static_cast<std::uint16_t>(id)), 0);
    }
    // A script that never ends the dialog gives -1, as if it could not be shown.
    return window.result().value_or(-1);
}

}  // namespace platform::fake
