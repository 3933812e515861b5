// What the GTK dialogs and message boxes share: starting GTK once, owners given as X11 windows,
// and letting a closed window leave the screen.
#pragma once

#include <gtk/gtk.h>

#include "platform/window_messages.h"

namespace platform::linux_impl {

// Starts GTK on first use; false when there is no display to show anything on.
bool EnsureGtk();

// Keeps `window` above the foreign X11 window `owner` (0: no owner) once it is realised.
void SetOwner(GtkWidget* window, WindowHandle owner);

// Handles pending GTK events, so windows just destroyed disappear at once.
void FlushGtkEvents();

}  // namespace platform::linux_impl
