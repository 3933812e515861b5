#include "platform/linux/gtk_session.h"

#include <gdk/gdkx.h>

namespace platform::linux_impl {

bool EnsureGtk() {
    static const bool started = gtk_init_check(nullptr, nullptr);
    return started;
}

void SetOwner(GtkWidget* window, WindowHandle owner) {
    if (owner == 0) {
        return;
    }
    GdkDisplay* display = gtk_widget_get_display(window);
    if (!GDK_IS_X11_DISPLAY(display)) {
        return;
    }
    gtk_widget_realize(window);
    GdkWindow* foreign =
        gdk_x11_window_foreign_new_for_display(display, static_cast<Window>(owner));
    if (foreign != nullptr) {
        gdk_window_set_transient_for(gtk_widget_get_window(window), foreign);
        g_object_unref(foreign);
    }
}

void FlushGtkEvents() {
    while (gtk_events_pending()) {
        gtk_main_iteration_do(FALSE);
    }
}

}  // namespace platform::linux_impl
