// Dialog templates shown with GTK: every control sits at its dialog-unit rectangle converted to
// pixels with the base units of the dialog's font, and clicks reach the dialog procedure as
// WM_COMMAND.
#include <gdk/gdkkeysyms.h>

#include <charconv>
#include <map>
#include <optional>
#include <string>

#include "platform/bmp_image.h"
#include "platform/dialog.h"
#include "platform/linux/gtk_session.h"
#include "platform/message_box.h"
#include "platform/resources.h"

namespace platform {

namespace {

struct BaseUnits {
    int x = 6;
    int y = 13;
};

// The average width of the Latin letters and the line height of the font, rounded as Windows
// rounds them.
BaseUnits MeasureBaseUnits(GtkWidget* widget, const PangoFontDescription* font) {
    PangoLayout* layout = gtk_widget_create_pango_layout(
        widget, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    pango_layout_set_font_description(layout, font);
    int width = 0;
    int height = 0;
    pango_layout_get_pixel_size(layout, &width, &height);
    g_object_unref(layout);
    BaseUnits units;
    if (width > 0 && height > 0) {
        units.x = (width / 26 + 1) / 2;
        units.y = height;
    }
    return units;
}

int Scale(int dialogUnits, int baseUnit, int divisor) {
    return (dialogUnits * baseUnit + divisor / 2) / divisor;
}

// A static picture: the bitmap resource whose id the control's text holds, shown at its own size.
GtkWidget* MakeBitmap(const std::string& idText) {
    std::uint32_t id = 0;
    const auto [end, error] = std::from_chars(idText.data(), idText.data() + idText.size(), id);
    const auto bytes = error == std::errc() && end == idText.data() + idText.size()
                           ? Resources::Module().Find("BITMAP", id)
                           : std::nullopt;
    const auto image = bytes ? DecodeBmp(*bytes) : std::nullopt;
    if (!image) {
        return gtk_image_new();
    }
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, image->width, image->height);
    guchar* rows = gdk_pixbuf_get_pixels(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    for (int y = 0; y < image->height; ++y) {
        guchar* out = rows + static_cast<std::ptrdiff_t>(y) * stride;
        for (int x = 0; x < image->width; ++x) {
            const std::uint32_t rgb = image->At(x, y);
            *out++ = static_cast<guchar>(rgb >> 16);
            *out++ = static_cast<guchar>(rgb >> 8);
            *out++ = static_cast<guchar>(rgb);
        }
    }
    GtkWidget* widget = gtk_image_new_from_pixbuf(pixbuf);
    g_object_unref(pixbuf);
    gtk_widget_set_halign(widget, GTK_ALIGN_START);
    gtk_widget_set_valign(widget, GTK_ALIGN_START);
    return widget;
}

class GtkDialogWindow final : public DialogWindow {
public:
    explicit GtkDialogWindow(DialogProc proc) : proc_(std::move(proc)) {}

    void SetWindowPos(int x, int y, int width, int height) override {
        gtk_window_move(GTK_WINDOW(window_), x, y);
        gtk_window_resize(GTK_WINDOW(window_), width > 0 ? width : 1, height > 0 ? height : 1);
    }

    void MoveWindow(int x, int y) override { gtk_window_move(GTK_WINDOW(window_), x, y); }

    void EndDialog(std::intptr_t result) override {
        result_ = result;
        if (loop_ != nullptr) {
            g_main_loop_quit(loop_);
        }
    }

    void SetCaption(std::string_view text) override {
        gtk_window_set_title(GTK_WINDOW(window_), std::string(text).c_str());
    }

    void SetItemText(int id, std::string_view text) override {
        const auto found = items_.find(id);
        if (found == items_.end()) {
            return;
        }
        const std::string value(text);
        GtkWidget* item = found->second;
        if (GTK_IS_LABEL(item)) {
            gtk_label_set_text(GTK_LABEL(item), value.c_str());
        } else if (GTK_IS_BUTTON(item)) {
            gtk_button_set_label(GTK_BUTTON(item), value.c_str());
        } else if (GTK_IS_FRAME(item)) {
            gtk_frame_set_label(GTK_FRAME(item), value.c_str());
        } else if (GTK_IS_ENTRY(item)) {
            gtk_entry_set_text(GTK_ENTRY(item), value.c_str());
        }
    }

    std::intptr_t Run(const DialogTemplate& dialogTemplate, WindowHandle owner) {
        window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
        gtk_window_set_title(GTK_WINDOW(window_), dialogTemplate.caption.c_str());
        gtk_window_set_modal(GTK_WINDOW(window_), TRUE);
        gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
        gtk_window_set_type_hint(GTK_WINDOW(window_), GDK_WINDOW_TYPE_HINT_DIALOG);

        PangoFontDescription* font = pango_font_description_from_string(
            (dialogTemplate.fontName + " " + std::to_string(dialogTemplate.fontPointSize)).c_str());
        const BaseUnits units = MeasureBaseUnits(window_, font);
        ApplyFont(font);
        pango_font_description_free(font);

        GtkWidget* fixed = gtk_fixed_new();
        gtk_widget_set_size_request(fixed, Scale(dialogTemplate.width, units.x, 4),
                                    Scale(dialogTemplate.height, units.y, 8));
        gtk_container_add(GTK_CONTAINER(window_), fixed);
        GSList* radioGroup = nullptr;
        for (const DialogControl& control : dialogTemplate.controls) {
            GtkWidget* widget = MakeControl(control, radioGroup);
            gtk_widget_set_size_request(widget, Scale(control.width, units.x, 4),
                                        Scale(control.height, units.y, 8));
            gtk_fixed_put(GTK_FIXED(fixed), widget, Scale(control.x, units.x, 4),
                          Scale(control.y, units.y, 8));
            if (control.id != -1) {
                items_.emplace(control.id, widget);
            }
        }

        g_signal_connect(window_, "delete-event", G_CALLBACK(OnDelete), this);
        g_signal_connect(window_, "key-press-event", G_CALLBACK(OnKey), this);
        linux_impl::SetOwner(window_, owner);

        proc_(*this, WM_INITDIALOG, 0, 0);
        if (!result_) {
            gtk_widget_show_all(window_);
            loop_ = g_main_loop_new(nullptr, FALSE);
            termination_ = linux_impl::WatchTerminationRequests(&OnTermination, this);
            g_main_loop_run(loop_);
            linux_impl::StopWatching(termination_);
            g_main_loop_unref(loop_);
            loop_ = nullptr;
        }
        GdkScreen* screen = gtk_widget_get_screen(window_);
        gtk_widget_destroy(window_);
        gtk_style_context_remove_provider_for_screen(screen, GTK_STYLE_PROVIDER(provider_));
        g_object_unref(provider_);
        linux_impl::FlushGtkEvents();
        return result_.value_or(-1);
    }

private:
    void ApplyFont(const PangoFontDescription* font) {
        // GTK takes fonts through style sheets; the class keeps this one to our window.
        gchar* family = g_strdup(pango_font_description_get_family(font));
        const std::string css =
            std::string(".zorvane-dialog, .zorvane-dialog * { font-family: \"") +
            (family != nullptr ? family : "Sans") + "\", sans-serif; font-size: " +
            std::to_string(pango_font_description_get_size(font) / PANGO_SCALE) + "pt; }";
        g_free(family);
        provider_ = gtk_css_provider_new();
        gtk_css_provider_load_from_data(provider_, css.c_str(), -1, nullptr);
        gtk_style_context_add_provider_for_screen(gtk_widget_get_screen(window_),
                                                  GTK_STYLE_PROVIDER(provider_),
                                                  GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
        gtk_style_context_add_class(gtk_widget_get_style_context(window_), "zorvane-dialog");
    }

    GtkWidget* MakeControl(const DialogControl& control, GSList*& radioGroup) {
        const char* text = control.text.c_str();
        GtkWidget* widget = nullptr;
        switch (control.kind) {
            case ControlKind::PushButton:
            case ControlKind::DefaultPushButton:
                widget = gtk_button_new_with_label(text);
                g_signal_connect(widget, "clicked", G_CALLBACK(OnClicked), this);
                if (control.kind == ControlKind::DefaultPushButton) {
                    gtk_widget_set_can_default(widget, TRUE);
                    gtk_window_set_default(GTK_WINDOW(window_), widget);
                    gtk_window_set_focus(GTK_WINDOW(window_), widget);
                }
                break;
            case ControlKind::StaticText:
            case ControlKind::CenteredText: {
                widget = gtk_label_new(text);
                GtkLabel* label = GTK_LABEL(widget);
                gtk_label_set_line_wrap(label, TRUE);
                // Wrap at the control's width, not at the text's natural one.
                gtk_label_set_max_width_chars(label, 1);
                const bool centred = control.kind == ControlKind::CenteredText;
                gtk_label_set_justify(label, centred ? GTK_JUSTIFY_CENTER : GTK_JUSTIFY_LEFT);
                gtk_label_set_xalign(label, centred ? 0.5f : 0.0f);
                gtk_label_set_yalign(label, 0.0f);
                break;
            }
            case ControlKind::GroupBox:
                widget = gtk_frame_new(text);
                break;
            case ControlKind::CheckBox:
                widget = gtk_check_button_new_with_label(text);
                g_signal_connect(widget, "clicked", G_CALLBACK(OnClicked), this);
                break;
            case ControlKind::RadioButton:
                widget = gtk_radio_button_new_with_label(radioGroup, text);
                radioGroup = gtk_radio_button_get_group(GTK_RADIO_BUTTON(widget));
                g_signal_connect(widget, "clicked", G_CALLBACK(OnClicked), this);
                break;
            case ControlKind::DropDownList:
                widget = gtk_combo_box_text_new();
                break;
            case ControlKind::Edit:
                widget = gtk_entry_new();
                gtk_entry_set_text(GTK_ENTRY(widget), text);
                break;
            case ControlKind::Trackbar:
                widget = gtk_scale_new_with_range(GTK_ORIENTATION_HORIZONTAL, 0, 100, 1);
                gtk_scale_set_draw_value(GTK_SCALE(widget), FALSE);
                break;
            case ControlKind::Bitmap:
                widget = MakeBitmap(control.text);
                break;
        }
        if (control.kind != ControlKind::RadioButton) {
            radioGroup = nullptr;
        }
        g_object_set_data(G_OBJECT(widget), "zorvane-id", GINT_TO_POINTER(control.id));
        return widget;
    }

    void Command(int id) {
        const auto wParam = static_cast<WPARAM>(static_cast<std::uint16_t>(id)) |
                            static_cast<WPARAM>(BN_CLICKED) << 16;
        proc_(*this, WM_COMMAND, wParam, 0);
    }

    static void OnClicked(GtkWidget* widget, gpointer self) {
        static_cast<GtkDialogWindow*>(self)->Command(
            GPOINTER_TO_INT(g_object_get_data(G_OBJECT(widget), "zorvane-id")));
    }

    static gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer self) {
        static_cast<GtkDialogWindow*>(self)->Command(2);
        return TRUE;  // the dialog stays unless its procedure ended it
    }

    // A request to end the process cancels the dialog as its Cancel button would; a procedure that
    // keeps the dialog open then is overruled, since the process must end.
    static gboolean OnTermination(gint, GIOCondition, gpointer data) {
        auto* self = static_cast<GtkDialogWindow*>(data);
        self->termination_ = 0;
        self->Command(IDCANCEL);
        if (!self->result_) {
            self->EndDialog(IDCANCEL);
        }
        return G_SOURCE_REMOVE;
    }

    static gboolean OnKey(GtkWidget*, GdkEventKey* event, gpointer self) {
        if (event->keyval == GDK_KEY_Escape) {
            static_cast<GtkDialogWindow*>(self)->Command(2);
            return TRUE;
        }
        return FALSE;
    }

    DialogProc proc_;
    GtkWidget* window_ = nullptr;
    GMainLoop* loop_ = nullptr;
    guint termination_ = 0;
    GtkCssProvider* provider_ = nullptr;
    std::map<int, GtkWidget*> items_;
    std::optional<std::intptr_t> result_;
};

class GtkDialogs final : public Dialogs {
public:
    std::intptr_t RunModal(const DialogTemplate& dialogTemplate, WindowHandle owner,
                           DialogProc proc) override {
        if (!linux_impl::EnsureGtk()) {
            return -1;
        }
        GtkDialogWindow window(std::move(proc));
        return window.Run(dialogTemplate, owner);
    }
};

}  // namespace

Dialogs& Dialogs::System() {
    static GtkDialogs dialogs;
    return dialogs;
}

}  // namespace platform
