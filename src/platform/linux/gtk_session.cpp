#include "platform/linux/gtk_session.h"

#include <gdk/gdkx.h>

#include "platform/linux/termination_signal.h"

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

guint WatchTerminationRequests(GUnixFDSourceFunc onRequest, gpointer data) {
    const int descriptor = TerminationDescriptor();
    if (descriptor < 0) {
        return 0;
    }
    return g_unix_fd_add(descriptor, G_IO_IN, onRequest, data);
}

void StopWatching(guint source) {
    if (source != 0) {
        g_source_remove(source);
    }
}

}  // namespace platform::linux_impl
