// Message boxes as GTK message dialogs.
#include <string>

#include "platform/linux/gtk_session.h"
#include "platform/message_box.h"

namespace platform {

namespace {

GtkMessageType MessageType(std::uint32_t type) {
    switch (type & 0xF0) {
        case MB_ICONERROR:
            return GTK_MESSAGE_ERROR;
        case MB_ICONWARNING:
            return GTK_MESSAGE_WARNING;
        case MB_ICONINFORMATION:
            return GTK_MESSAGE_INFO;
        default:
            return GTK_MESSAGE_OTHER;
    }
}

class GtkMessageBox final : public MessageBox {
public:
    int Show(WindowHandle owner, std::string_view text, std::string_view caption,
             std::uint32_t type) override {
        if (!linux_impl::EnsureGtk()) {
            return 0;
        }
        const bool withCancel = (type & 0x0F) == MB_OKCANCEL;
        const std::string message(text);
        GtkWidget* box = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, MessageType(type),
                                                withCancel ? GTK_BUTTONS_OK_CANCEL : GTK_BUTTONS_OK,
                                                "%s", message.c_str());
        gtk_window_set_title(GTK_WINDOW(box), std::string(caption).c_str());
        gtk_window_set_keep_above(GTK_WINDOW(box), TRUE);
        linux_impl::SetOwner(box, owner);
        // A request to end the process answers the box as its Cancel button (or closing) would.
        struct Watch {
            GtkWidget* box;
            guint source;
        } watch{box, 0};
        watch.source = linux_impl::WatchTerminationRequests(
            [](gint, GIOCondition, gpointer data) -> gboolean {
                auto* w = static_cast<Watch*>(data);
                w->source = 0;
                gtk_dialog_response(GTK_DIALOG(w->box), GTK_RESPONSE_CANCEL);
                return G_SOURCE_REMOVE;
            },
            &watch);
        const int response = gtk_dialog_run(GTK_DIALOG(box));
        linux_impl::StopWatching(watch.source);
        gtk_widget_destroy(box);
        linux_impl::FlushGtkEvents();
        // Without a Cancel button, closing the box counts as OK.
        if (response == GTK_RESPONSE_OK || !withCancel) {
            return IDOK;
        }
        return IDCANCEL;
    }
};

}  // namespace

MessageBox& MessageBox::System() {
    static GtkMessageBox messageBox;
    return messageBox;
}

}  // namespace platform
