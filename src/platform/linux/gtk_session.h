// What the GTK dialogs and message boxes share: starting GTK once, owners given as X11 windows,
// and letting a closed window leave the screen.
#pragma once

#include <glib-unix.h>
#include <gtk/gtk.h>

#include "platform/window_messages.h"

namespace platform::linux_impl {

// Starts GTK on first use; false when there is no display to show anything on.
bool EnsureGtk();

// Keeps `window` above the foreign X11 window `owner` (0: no owner) once it is realised.
void SetOwner(GtkWidget* window, WindowHandle owner);

// Handles pending GTK events, so windows just destroyed disappear at once.
void FlushGtkEvents();

// Calls `onRequest` (returning G_SOURCE_REMOVE) from GTK's loop when a request to end the process
// has arrived, at once when one already has. Returns the source for StopWatching, or 0 when
// requests are not caught.
guint WatchTerminationRequests(GUnixFDSourceFunc onRequest, gpointer data);
// Removes a source of WatchTerminationRequests that has not fired; 0 does nothing.
void StopWatching(guint source);

}  // namespace platform::linux_impl
