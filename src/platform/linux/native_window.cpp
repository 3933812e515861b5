// Which window the platform makes for a description.
#include "platform/linux/sdl_window.h"
#include "platform/linux/x11_child_window.h"
#include "platform/window.h"

namespace platform {

std::unique_ptr<Window> CreateNativeWindow(const WindowDesc& desc, WindowProcedure procedure) {
    if (desc.kind == WindowKind::Child) {
        return linux_impl::X11ChildWindow::Create(desc, std::move(procedure));
    }
    return linux_impl::SdlWindow::Create(desc, std::move(procedure));
}

}  // namespace platform
