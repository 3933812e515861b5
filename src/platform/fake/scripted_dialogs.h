// Dialogs for tests: the procedure is driven with WM_INITDIALOG and then by a script through the
// dialog's controller (or one WM_COMMAND per scripted click) until it ends the dialog. The
// controls keep their state as the real ones do, and what the procedure did is recorded.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/dialog.h"

namespace platform::fake {

struct WindowPos {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

class ScriptedDialogs final : public Dialogs {
public:
    std::intptr_t RunModal(const DialogTemplate& dialogTemplate, WindowHandle owner,
                           DialogProc proc) override;

    // Control ids clicked in turn after WM_INITDIALOG when no script is waiting.
    std::vector<int> clicks;
    // When false RunModal fails as if no dialog could be shown.
    bool available = true;
    // Where a dialog's window starts, before the procedure moves it.
    std::pair<int, int> origin{0, 0};

    // What the last run saw and did (a nested dialog's run replaces its parent's record).
    DialogTemplate shownTemplate;
    WindowHandle shownOwner = 0;
    bool initHandled = false;
    std::vector<WindowPos> positions;
    std::vector<std::pair<int, int>> moves;
    std::string caption;
    std::map<int, std::string> itemTexts;
    int runs = 0;
    // Owners of every dialog shown, in the order they opened.
    std::vector<WindowHandle> owners;
};

}  // namespace platform::fake
