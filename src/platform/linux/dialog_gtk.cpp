// Dialog templates shown with GTK: every control sits at its dialog-unit rectangle converted to
// pixels with the base units of the dialog's font, and clicks reach the dialog procedure as
// WM_COMMAND.
#include <gdk/gdkkeysyms.h>
#include <gdk/gdkx.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <optional>
#include <string>
#include <vector>

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

// A static picture: the bitmap resource whose id the control's text holds, scaled to fit the
// control's rectangle (in pixels) with its proportions kept, since the rectangle follows the
// dialog font and the picture would otherwise cover its neighbours.
GtkWidget* MakeBitmap(const std::string& idText, int width, int height) {
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
    if (width > 0 && height > 0 && (width != image->width || height != image->height)) {
        const double scale = std::min(static_cast<double>(width) / image->width,
                                      static_cast<double>(height) / image->height);
        GdkPixbuf* scaled = gdk_pixbuf_scale_simple(
            pixbuf, std::max(1, static_cast<int>(image->width * scale)),
            std::max(1, static_cast<int>(image->height * scale)), GDK_INTERP_BILINEAR);
        if (scaled != nullptr) {
            g_object_unref(pixbuf);
            pixbuf = scaled;
        }
    }
    GtkWidget* widget = gtk_image_new_from_pixbuf(pixbuf);
    g_object_unref(pixbuf);
    gtk_widget_set_halign(widget, GTK_ALIGN_START);
    gtk_widget_set_valign(widget, GTK_ALIGN_START);
    return widget;
}

// Windows marks a label's mnemonic with '&' ("&&" for '&'), GTK with '_'.
std::string GtkMnemonicText(std::string_view text) {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '_') {
            result += "__";
        } else if (text[i] == '&' && i + 1 < text.size()) {
            result += text[i + 1] == '&' ? '&' : '_';
            if (text[i + 1] == '&') {
                ++i;
            }
        } else {
            result += text[i];
        }
    }
    return result;
}

// The text without its mnemonic marks, for controls that show none.
std::string PlainText(std::string_view text) {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) {
            ++i;
        }
        result += text[i];
    }
    return result;
}

// GTK takes only UTF-8; anything else is shown with replacement characters.
std::string ValidUtf8(std::string_view text) {
    gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
    std::string result(valid);
    g_free(valid);
    return result;
}

bool Focusable(ControlKind kind) {
    switch (kind) {
        case ControlKind::PushButton:
        case ControlKind::DefaultPushButton:
        case ControlKind::CheckBox:
        case ControlKind::RadioButton:
        case ControlKind::DropDownList:
        case ControlKind::Edit:
        case ControlKind::Trackbar:
            return true;
        default:
            return false;
    }
}

// Dialogs open now, by their X11 window, so a nested dialog can sit above its owner.
std::map<WindowHandle, GtkWidget*> openDialogs;

class GtkDialogWindow final : public DialogWindow, public DialogController {
public:
    GtkDialogWindow(DialogProc proc, DialogScript script)
        : proc_(std::move(proc)), script_(std::move(script)) {}

    // DialogWindow
    WindowHandle Handle() const override { return handle_; }

    // Positions and sizes come and go in the screen's own pixels, as on Windows; GTK counts in
    // pixels of its scale (GDK_SCALE) and the dialog's controls grow with it.
    std::pair<int, int> WindowOrigin() const override {
        int x = 0;
        int y = 0;
        gtk_window_get_position(GTK_WINDOW(window_), &x, &y);
        return {x * ScaleFactor(), y * ScaleFactor()};
    }

    void SetWindowPos(int x, int y, int width, int height) override {
        gtk_window_resize(GTK_WINDOW(window_), std::max(width / ScaleFactor(), 1),
                          std::max(height / ScaleFactor(), 1));
        MoveWindow(x, y);
    }

    void MoveWindow(int x, int y) override {
        const int scale = ScaleFactor();
        x /= scale;
        y /= scale;
        // The whole dialog stays on the monitor it lands on: a place worked out for a smaller
        // dialog (a larger scale) moves in as far as needed.
        GdkDisplay* display = gtk_widget_get_display(window_);
        GdkMonitor* monitor = display ? gdk_display_get_monitor_at_point(display, x, y) : nullptr;
        if (monitor != nullptr) {
            GdkRectangle area{};
            gdk_monitor_get_workarea(monitor, &area);
            // Before it is shown, the window knows its size only from the controls' area.
            int width = 0;
            int height = 0;
            gtk_window_get_size(GTK_WINDOW(window_), &width, &height);
            width = std::max(width, contentWidth_);
            height = std::max(height, contentHeight_);
            x = std::max(area.x, std::min(x, area.x + area.width - width));
            y = std::max(area.y, std::min(y, area.y + area.height - height));
        }
        gtk_window_move(GTK_WINDOW(window_), x, y);
    }

    void EndDialog(std::intptr_t result) override {
        result_ = result;
        if (loop_ != nullptr) {
            g_main_loop_quit(loop_);
        }
    }

    void SetCaption(std::string_view text) override {
        caption_ = ValidUtf8(text);
        gtk_window_set_title(GTK_WINDOW(window_), caption_.c_str());
    }

    void SetItemText(int id, std::string_view text) override {
        Item* item = Find(id);
        if (item == nullptr) {
            return;
        }
        const Quiet quiet(*this);
        item->text = ValidUtf8(text);
        GtkWidget* widget = item->widget;
        switch (item->kind) {
            case ControlKind::StaticText:
            case ControlKind::CenteredText:
                gtk_label_set_text_with_mnemonic(GTK_LABEL(widget),
                                                 GtkMnemonicText(item->text).c_str());
                break;
            case ControlKind::PushButton:
            case ControlKind::DefaultPushButton:
            case ControlKind::CheckBox:
            case ControlKind::RadioButton:
                gtk_button_set_label(GTK_BUTTON(widget), GtkMnemonicText(item->text).c_str());
                gtk_button_set_use_underline(GTK_BUTTON(widget), TRUE);
                break;
            case ControlKind::GroupBox:
                gtk_frame_set_label(GTK_FRAME(widget), PlainText(item->text).c_str());
                break;
            case ControlKind::Edit:
                gtk_entry_set_text(GTK_ENTRY(widget), item->text.c_str());
                break;
            default:
                break;
        }
    }

    std::string GetItemText(int id) const override {
        const Item* item = Find(id);
        if (item == nullptr) {
            return {};
        }
        if (item->kind == ControlKind::Edit) {
            return gtk_entry_get_text(GTK_ENTRY(item->widget));
        }
        return item->text;
    }

    void LimitItemText(int id, int characters) override {
        if (Item* item = Find(id, ControlKind::Edit)) {
            gtk_entry_set_max_length(GTK_ENTRY(item->widget), std::clamp(characters, 0, 65535));
        }
    }

    void EnableItem(int id, bool enabled) override {
        if (Item* item = Find(id)) {
            gtk_widget_set_sensitive(item->widget, enabled);
        }
    }

    void CheckItem(int id, bool checked) override {
        Item* item = Find(id);
        if (item != nullptr &&
            (item->kind == ControlKind::CheckBox || item->kind == ControlKind::RadioButton)) {
            const Quiet quiet(*this);
            gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(item->widget), checked);
        }
    }

    bool IsItemChecked(int id) const override {
        const Item* item = Find(id);
        return item != nullptr &&
               (item->kind == ControlKind::CheckBox || item->kind == ControlKind::RadioButton) &&
               gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(item->widget));
    }

    void CheckRadioButton(int first, int last, int checked) override {
        // A GTK radio group always has one member active: checking one clears the others.
        if (checked < first || checked > last) {
            return;
        }
        if (Item* item = Find(checked, ControlKind::RadioButton)) {
            const Quiet quiet(*this);
            gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(item->widget), TRUE);
        }
    }

    void ResetList(int id) override {
        if (Item* item = Find(id, ControlKind::DropDownList)) {
            const Quiet quiet(*this);
            gtk_combo_box_text_remove_all(GTK_COMBO_BOX_TEXT(item->widget));
            item->items.clear();
        }
    }

    int AddListItem(int id, std::string_view text) override {
        Item* item = Find(id, ControlKind::DropDownList);
        if (item == nullptr) {
            return -1;
        }
        const Quiet quiet(*this);
        item->items.push_back(ValidUtf8(text));
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(item->widget),
                                       item->items.back().c_str());
        return static_cast<int>(item->items.size()) - 1;
    }

    void SetListSelection(int id, int index) override {
        if (Item* item = Find(id, ControlKind::DropDownList)) {
            const Quiet quiet(*this);
            const bool valid = index >= 0 && index < static_cast<int>(item->items.size());
            gtk_combo_box_set_active(GTK_COMBO_BOX(item->widget), valid ? index : -1);
        }
    }

    int GetListSelection(int id) const override {
        const Item* item = Find(id, ControlKind::DropDownList);
        return item != nullptr ? gtk_combo_box_get_active(GTK_COMBO_BOX(item->widget)) : -1;
    }

    void SetTrackbarRange(int id, int minimum, int maximum) override {
        if (Item* item = Find(id, ControlKind::Trackbar)) {
            const Quiet quiet(*this);
            // GTK wants a range of some width.
            gtk_range_set_range(GTK_RANGE(item->widget), minimum, std::max(minimum + 1, maximum));
        }
    }

    void SetTrackbarPos(int id, int position) override {
        if (Item* item = Find(id, ControlKind::Trackbar)) {
            const Quiet quiet(*this);
            gtk_range_set_value(GTK_RANGE(item->widget), position);
        }
    }

    int GetTrackbarPos(int id) const override {
        const Item* item = Find(id, ControlKind::Trackbar);
        return item != nullptr
                   ? static_cast<int>(std::lround(gtk_range_get_value(GTK_RANGE(item->widget))))
                   : 0;
    }

    // DialogController
    void Click(int id) override {
        Item* item = Usable(id);
        if (item != nullptr &&
            (GTK_IS_BUTTON(item->widget) && item->kind != ControlKind::DropDownList)) {
            gtk_button_clicked(GTK_BUTTON(item->widget));
        }
    }

    void ChooseListItem(int id, int index) override {
        Item* item = Usable(id, ControlKind::DropDownList);
        if (item != nullptr && index >= 0 && index < static_cast<int>(item->items.size())) {
            gtk_combo_box_set_active(GTK_COMBO_BOX(item->widget), index);
        }
    }

    void MoveTrackbar(int id, int position) override {
        if (Item* item = Usable(id, ControlKind::Trackbar)) {
            gtk_range_set_value(GTK_RANGE(item->widget), position);
        }
    }

    void TypeText(int id, std::string_view text) override {
        if (Item* item = Usable(id, ControlKind::Edit)) {
            gtk_entry_set_text(GTK_ENTRY(item->widget), ValidUtf8(text).c_str());
        }
    }

    bool IsOpen() const override { return !result_; }
    std::string Caption() const override { return caption_; }
    std::string ItemText(int id) const override { return GetItemText(id); }
    bool IsEnabled(int id) const override {
        const Item* item = Find(id);
        return item != nullptr && gtk_widget_get_sensitive(item->widget);
    }
    bool IsChecked(int id) const override { return IsItemChecked(id); }
    std::vector<std::string> ListItems(int id) const override {
        const Item* item = Find(id, ControlKind::DropDownList);
        return item != nullptr ? item->items : std::vector<std::string>{};
    }
    int ListSelection(int id) const override { return GetListSelection(id); }
    std::pair<int, int> TrackbarRange(int id) const override {
        const Item* item = Find(id, ControlKind::Trackbar);
        if (item == nullptr) {
            return {0, 0};
        }
        GtkAdjustment* adjustment = gtk_range_get_adjustment(GTK_RANGE(item->widget));
        return {static_cast<int>(gtk_adjustment_get_lower(adjustment)),
                static_cast<int>(gtk_adjustment_get_upper(adjustment))};
    }
    int TrackbarPos(int id) const override { return GetTrackbarPos(id); }

    Rect ItemRect(int id) const override {
        const Item* item = Find(id);
        if (item == nullptr) {
            return {};
        }
        GtkAllocation allocation;
        gtk_widget_get_allocation(item->widget, &allocation);
        return {allocation.x, allocation.y, allocation.x + allocation.width,
                allocation.y + allocation.height};
    }

    bool IsClipped(int id) const override {
        const Item* item = Find(id);
        if (item == nullptr) {
            return false;
        }
        GtkAllocation allocation;
        gtk_widget_get_allocation(item->widget, &allocation);
        int minimumWidth = 0;
        int naturalWidth = 0;
        gtk_widget_get_preferred_width(item->widget, &minimumWidth, &naturalWidth);
        int minimumHeight = 0;
        int naturalHeight = 0;
        gtk_widget_get_preferred_height_for_width(item->widget, allocation.width, &minimumHeight,
                                                  &naturalHeight);
        // Wrapping labels may be narrower than their one-line text; others show it whole.
        const bool wraps = GTK_IS_LABEL(item->widget);
        return (!wraps && naturalWidth > allocation.width) || minimumHeight > allocation.height;
    }

    void WaitUntilDrawn() override {
        // A frame is drawn on the frame clock's tick; a few rounds let it pass.
        for (int i = 0; i < 20; ++i) {
            linux_impl::FlushGtkEvents();
            gdk_display_sync(gtk_widget_get_display(window_));
            g_usleep(10000);
        }
        linux_impl::FlushGtkEvents();
    }

    std::intptr_t Run(const DialogTemplate& dialogTemplate, WindowHandle owner) {
        window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
        caption_ = dialogTemplate.caption;
        gtk_window_set_title(GTK_WINDOW(window_), caption_.c_str());
        gtk_window_set_modal(GTK_WINDOW(window_), TRUE);
        gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
        gtk_window_set_type_hint(GTK_WINDOW(window_), GDK_WINDOW_TYPE_HINT_DIALOG);

        PangoFontDescription* font = pango_font_description_from_string(
            (dialogTemplate.fontName + " " + std::to_string(dialogTemplate.fontPointSize)).c_str());
        const BaseUnits units = MeasureBaseUnits(window_, font);
        ApplyFont(font);
        pango_font_description_free(font);

        GtkWidget* fixed = gtk_fixed_new();
        contentWidth_ = Scale(dialogTemplate.width, units.x, 4);
        contentHeight_ = Scale(dialogTemplate.height, units.y, 8);
        gtk_widget_set_size_request(fixed, contentWidth_, contentHeight_);
        gtk_container_add(GTK_CONTAINER(window_), fixed);
        GSList* radioGroup = nullptr;
        for (const DialogControl& control : dialogTemplate.controls) {
            const int width = Scale(control.width, units.x, 4);
            const int height = Scale(control.height, units.y, 8);
            GtkWidget* widget = MakeControl(control, radioGroup, width, height);
            // A drop-down list's height is that of its open list; closed it is one line high.
            gtk_widget_set_size_request(widget, width,
                                        control.kind == ControlKind::DropDownList ? -1 : height);
            gtk_fixed_put(GTK_FIXED(fixed), widget, Scale(control.x, units.x, 4),
                          Scale(control.y, units.y, 8));
            order_.push_back({control.id, control.kind, widget, control.text, {}});
        }
        // A label's mnemonic moves to the control after it.
        for (std::size_t i = 0; i + 1 < order_.size(); ++i) {
            if (GTK_IS_LABEL(order_[i].widget) && Focusable(order_[i + 1].kind)) {
                gtk_label_set_mnemonic_widget(GTK_LABEL(order_[i].widget), order_[i + 1].widget);
            }
        }

        g_signal_connect(window_, "delete-event", G_CALLBACK(OnDelete), this);
        g_signal_connect(window_, "key-press-event", G_CALLBACK(OnKey), this);
        SetOwnerWindow(owner);
        gtk_widget_realize(window_);
        GdkWindow* gdkWindow = gtk_widget_get_window(window_);
        if (gdkWindow != nullptr && GDK_IS_X11_WINDOW(gdkWindow)) {
            handle_ = static_cast<WindowHandle>(gdk_x11_window_get_xid(gdkWindow));
            openDialogs[handle_] = window_;
        }

        proc_(*this, WM_INITDIALOG, 0, 0);
        if (!result_) {
            gtk_widget_show_all(window_);
            loop_ = g_main_loop_new(nullptr, FALSE);
            termination_ = linux_impl::WatchTerminationRequests(&OnTermination, this);
            if (script_) {
                g_idle_add(&RunScript, this);
            }
            g_main_loop_run(loop_);
            linux_impl::StopWatching(termination_);
            g_main_loop_unref(loop_);
            loop_ = nullptr;
        }
        openDialogs.erase(handle_);
        GdkScreen* screen = gtk_widget_get_screen(window_);
        gtk_widget_destroy(window_);
        gtk_style_context_remove_provider_for_screen(screen, GTK_STYLE_PROVIDER(provider_));
        g_object_unref(provider_);
        linux_impl::FlushGtkEvents();
        return result_.value_or(-1);
    }

private:
    struct Item {
        int id = -1;
        ControlKind kind = ControlKind::StaticText;
        GtkWidget* widget = nullptr;
        std::string text;
        std::vector<std::string> items;
    };

    // Changes made by the procedure send no notifications while one of these lives.
    class Quiet {
    public:
        explicit Quiet(GtkDialogWindow& window) : window_(window) { ++window_.quiet_; }
        ~Quiet() { --window_.quiet_; }
        Quiet(const Quiet&) = delete;
        Quiet& operator=(const Quiet&) = delete;

    private:
        GtkDialogWindow& window_;
    };

    Item* Find(int id) {
        if (id == -1) {
            return nullptr;
        }
        const auto found = std::find_if(order_.begin(), order_.end(),
                                        [id](const Item& item) { return item.id == id; });
        return found == order_.end() ? nullptr : &*found;
    }
    const Item* Find(int id) const { return const_cast<GtkDialogWindow*>(this)->Find(id); }
    Item* Find(int id, ControlKind kind) {
        Item* item = Find(id);
        return item != nullptr && item->kind == kind ? item : nullptr;
    }
    const Item* Find(int id, ControlKind kind) const {
        return const_cast<GtkDialogWindow*>(this)->Find(id, kind);
    }
    Item* Usable(int id) {
        Item* item = Find(id);
        return !result_ && item != nullptr && gtk_widget_is_sensitive(item->widget) ? item
                                                                                    : nullptr;
    }
    Item* Usable(int id, ControlKind kind) {
        Item* item = Usable(id);
        return item != nullptr && item->kind == kind ? item : nullptr;
    }

    int ScaleFactor() const { return std::max(1, gtk_widget_get_scale_factor(window_)); }

    void SetOwnerWindow(WindowHandle owner) {
        const auto ours = openDialogs.find(owner);
        if (ours != openDialogs.end()) {
            gtk_window_set_transient_for(GTK_WINDOW(window_), GTK_WINDOW(ours->second));
            gtk_window_set_position(GTK_WINDOW(window_), GTK_WIN_POS_CENTER_ON_PARENT);
            return;
        }
        linux_impl::SetOwner(window_, owner);
    }

    void ApplyFont(const PangoFontDescription* font) {
        // GTK takes fonts through style sheets; the class keeps this one to our window. The
        // controls lose the theme's extra padding so they fit the rectangles laid out for them.
        gchar* family = g_strdup(pango_font_description_get_family(font));
        const std::string css =
            std::string(".zorvane-dialog, .zorvane-dialog * { font-family: \"") +
            (family != nullptr ? family : "Sans") + "\", sans-serif; font-size: " +
            std::to_string(pango_font_description_get_size(font) / PANGO_SCALE) +
            "pt; }\n"
            ".zorvane-dialog button { padding: 0 4px; min-height: 0; }\n"
            ".zorvane-dialog combobox button { padding: 0 4px; min-height: 0; }\n"
            ".zorvane-dialog entry { padding: 0 3px; min-height: 0; }\n"
            ".zorvane-dialog checkbutton, .zorvane-dialog radiobutton { padding: 0; }\n"
            ".zorvane-dialog check, .zorvane-dialog radio { min-width: 12px; min-height: 12px; "
            "margin: 0 4px 0 0; }\n"
            ".zorvane-dialog scale { padding: 0 6px; min-height: 0; }\n"
            ".zorvane-dialog scale slider { min-width: 12px; min-height: 12px; margin: -5px; }\n";
        g_free(family);
        provider_ = gtk_css_provider_new();
        gtk_css_provider_load_from_data(provider_, css.c_str(), -1, nullptr);
        gtk_style_context_add_provider_for_screen(gtk_widget_get_screen(window_),
                                                  GTK_STYLE_PROVIDER(provider_),
                                                  GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
        gtk_style_context_add_class(gtk_widget_get_style_context(window_), "zorvane-dialog");
    }

    GtkWidget* MakeControl(const DialogControl& control, GSList*& radioGroup, int width,
                           int height) {
        const std::string text = GtkMnemonicText(control.text);
        GtkWidget* widget = nullptr;
        switch (control.kind) {
            case ControlKind::PushButton:
            case ControlKind::DefaultPushButton:
                widget = gtk_button_new_with_mnemonic(text.c_str());
                g_signal_connect(widget, "clicked", G_CALLBACK(OnClicked), this);
                if (control.kind == ControlKind::DefaultPushButton) {
                    defaultId_ = control.id;
                    gtk_widget_set_can_default(widget, TRUE);
                    gtk_window_set_default(GTK_WINDOW(window_), widget);
                    gtk_window_set_focus(GTK_WINDOW(window_), widget);
                }
                break;
            case ControlKind::StaticText:
            case ControlKind::CenteredText: {
                widget = gtk_label_new_with_mnemonic(text.c_str());
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
                widget = gtk_frame_new(PlainText(control.text).c_str());
                break;
            case ControlKind::CheckBox:
                widget = gtk_check_button_new_with_mnemonic(text.c_str());
                g_signal_connect(widget, "clicked", G_CALLBACK(OnClicked), this);
                break;
            case ControlKind::RadioButton:
                widget = gtk_radio_button_new_with_mnemonic(radioGroup, text.c_str());
                radioGroup = gtk_radio_button_get_group(GTK_RADIO_BUTTON(widget));
                g_signal_connect(widget, "clicked", G_CALLBACK(OnClicked), this);
                break;
            case ControlKind::DropDownList:
                widget = gtk_combo_box_text_new();
                g_signal_connect(widget, "changed", G_CALLBACK(OnListChanged), this);
                break;
            case ControlKind::Edit:
                widget = gtk_entry_new();
                gtk_entry_set_text(GTK_ENTRY(widget), control.text.c_str());
                g_signal_connect(widget, "changed", G_CALLBACK(OnEditChanged), this);
                break;
            case ControlKind::Trackbar:
                widget = gtk_scale_new_with_range(GTK_ORIENTATION_HORIZONTAL, 0, 100, 1);
                gtk_scale_set_draw_value(GTK_SCALE(widget), FALSE);
                gtk_scale_set_digits(GTK_SCALE(widget), 0);
                g_signal_connect(widget, "value-changed", G_CALLBACK(OnTrackbarMoved), this);
                break;
            case ControlKind::Bitmap:
                widget = MakeBitmap(control.text, width, height);
                break;
        }
        if (control.kind != ControlKind::RadioButton) {
            radioGroup = nullptr;
        }
        g_object_set_data(G_OBJECT(widget), "zorvane-id", GINT_TO_POINTER(control.id));
        return widget;
    }

    void Send(std::uint32_t message, int id, std::uint32_t notification, LPARAM lParam = 0) {
        if (quiet_ > 0 || result_) {
            return;
        }
        const auto wParam = static_cast<WPARAM>(static_cast<std::uint16_t>(id)) |
                            static_cast<WPARAM>(notification) << 16;
        proc_(*this, message, wParam, lParam);
    }

    void Command(int id) { Send(WM_COMMAND, id, BN_CLICKED); }

    static int IdOf(GtkWidget* widget) {
        return GPOINTER_TO_INT(g_object_get_data(G_OBJECT(widget), "zorvane-id"));
    }

    static void OnClicked(GtkWidget* widget, gpointer self) {
        // A radio button that goes off as another comes on is not the one the user chose.
        if (GTK_IS_RADIO_BUTTON(widget) &&
            !gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(widget))) {
            return;
        }
        static_cast<GtkDialogWindow*>(self)->Command(IdOf(widget));
    }

    static void OnListChanged(GtkWidget* widget, gpointer self) {
        static_cast<GtkDialogWindow*>(self)->Send(WM_COMMAND, IdOf(widget), CBN_SELCHANGE);
    }

    static void OnEditChanged(GtkWidget* widget, gpointer self) {
        static_cast<GtkDialogWindow*>(self)->Send(WM_COMMAND, IdOf(widget), EN_CHANGE);
    }

    static void OnTrackbarMoved(GtkWidget* widget, gpointer data) {
        auto* self = static_cast<GtkDialogWindow*>(data);
        const int id = IdOf(widget);
        self->Send(WM_HSCROLL, TB_THUMBPOSITION,
                   static_cast<std::uint16_t>(self->GetTrackbarPos(id)), id);
    }

    static gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer self) {
        static_cast<GtkDialogWindow*>(self)->Command(IDCANCEL);
        return TRUE;  // the dialog stays unless its procedure ended it
    }

    static gboolean RunScript(gpointer data) {
        auto* self = static_cast<GtkDialogWindow*>(data);
        self->WaitUntilDrawn();
        const DialogScript script = std::move(self->script_);
        script(*self);
        if (!self->result_) {
            self->EndDialog(-1);
        }
        return G_SOURCE_REMOVE;
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

    // Tab walks the controls in the template's order, as on Windows (a radio group is one stop,
    // its checked button); GTK's own order follows the positions instead.
    void MoveFocus(bool forward) {
        std::vector<GtkWidget*> stops;
        for (const Item& item : order_) {
            if (!Focusable(item.kind) || !gtk_widget_is_sensitive(item.widget) ||
                !gtk_widget_get_visible(item.widget)) {
                continue;
            }
            if (item.kind == ControlKind::RadioButton &&
                !gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(item.widget))) {
                continue;
            }
            stops.push_back(item.widget);
        }
        if (stops.empty()) {
            return;
        }
        GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(window_));
        std::size_t current = stops.size();
        for (std::size_t i = 0; i < stops.size(); ++i) {
            if (focus != nullptr &&
                (focus == stops[i] || gtk_widget_is_ancestor(focus, stops[i]))) {
                current = i;
                break;
            }
        }
        std::size_t next = 0;
        if (current == stops.size()) {
            next = forward ? 0 : stops.size() - 1;
        } else if (forward) {
            next = (current + 1) % stops.size();
        } else {
            next = (current + stops.size() - 1) % stops.size();
        }
        gtk_widget_grab_focus(stops[next]);
    }

    static gboolean OnKey(GtkWidget*, GdkEventKey* event, gpointer data) {
        auto* self = static_cast<GtkDialogWindow*>(data);
        const guint state = event->state & gtk_accelerator_get_default_mod_mask();
        switch (event->keyval) {
            case GDK_KEY_Escape:
                self->Command(IDCANCEL);
                return TRUE;
            case GDK_KEY_Tab:
            case GDK_KEY_ISO_Left_Tab:
            case GDK_KEY_KP_Tab:
                if ((state & ~GDK_SHIFT_MASK) != 0) {
                    return FALSE;
                }
                self->MoveFocus(event->keyval != GDK_KEY_ISO_Left_Tab &&
                                (state & GDK_SHIFT_MASK) == 0);
                return TRUE;
            case GDK_KEY_Return:
            case GDK_KEY_KP_Enter:
            case GDK_KEY_ISO_Enter: {
                // A focused push button takes Return itself; elsewhere it presses the default one.
                GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(self->window_));
                if (state != 0 || (focus != nullptr && GTK_IS_BUTTON(focus) &&
                                   !GTK_IS_TOGGLE_BUTTON(focus) && IdOf(focus) != 0)) {
                    return FALSE;
                }
                if (self->defaultId_ != -1) {
                    if (Item* item = self->Usable(self->defaultId_)) {
                        gtk_widget_grab_focus(item->widget);
                        self->Command(self->defaultId_);
                    }
                    return TRUE;
                }
                return FALSE;
            }
            default:
                return FALSE;
        }
    }

    DialogProc proc_;
    DialogScript script_;
    GtkWidget* window_ = nullptr;
    // The controls' area in GTK's pixels.
    int contentWidth_ = 0;
    int contentHeight_ = 0;
    WindowHandle handle_ = 0;
    std::string caption_;
    GMainLoop* loop_ = nullptr;
    guint termination_ = 0;
    GtkCssProvider* provider_ = nullptr;
    std::vector<Item> order_;
    int defaultId_ = -1;
    int quiet_ = 0;
    std::optional<std::intptr_t> result_;
};

class GtkDialogs final : public Dialogs {
public:
    std::intptr_t RunModal(const DialogTemplate& dialogTemplate, WindowHandle owner,
                           DialogProc proc) override {
        if (!linux_impl::EnsureGtk()) {
            return -1;
        }
        GtkDialogWindow window(std::move(proc), TakeScript());
        return window.Run(dialogTemplate, owner);
    }
};

}  // namespace

Dialogs& Dialogs::System() {
    static GtkDialogs dialogs;
    return dialogs;
}

}  // namespace platform
