#include "platform/queued_window.h"

namespace platform {

void QueuedWindow::PostMessage(std::uint32_t message, WPARAM wParam, LPARAM lParam) {
    queue_.Post({Handle(), message, wParam, lParam});
}

void QueuedWindow::PostQuitMessage(int exitCode) {
    queue_.Post({Handle(), WM_QUIT, static_cast<WPARAM>(exitCode), 0});
}

bool QueuedWindow::SetTimer(std::uintptr_t id, std::uint32_t milliseconds) {
    queue_.SetTimer(Handle(), id, milliseconds);
    return true;
}

void QueuedWindow::KillTimer(std::uintptr_t id) {
    queue_.KillTimer(id);
}

}  // namespace platform
