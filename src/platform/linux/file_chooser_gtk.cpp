// The GTK file chooser. Its filters match file names through our own pattern rule, so "*.jpg"
// also takes "PHOTO.JPG" as the desktop's own filters do.
#include <memory>

#include "platform/file_chooser.h"
#include "platform/linux/gtk_session.h"

namespace platform {

namespace {

gboolean FilterMatches(const GtkFileFilterInfo* info, gpointer data) {
    const auto* filter = static_cast<const FileFilter*>(data);
    if (info->display_name == nullptr) {
        return FALSE;
    }
    for (const std::string& pattern : filter->patterns) {
        if (MatchesPattern(pattern, info->display_name)) {
            return TRUE;
        }
    }
    return FALSE;
}

class DesktopFileChooser final : public FileChooser {
public:
    std::optional<std::string> ChooseFileToOpen(WindowHandle owner,
                                                const std::vector<FileFilter>& filters,
                                                bool mustExist) override {
        if (!linux_impl::EnsureGtk()) {
            return std::nullopt;
        }
        GtkWidget* dialog =
            gtk_file_chooser_dialog_new("Open", nullptr, GTK_FILE_CHOOSER_ACTION_OPEN, "_Cancel",
                                        GTK_RESPONSE_CANCEL, "_Open", GTK_RESPONSE_ACCEPT, nullptr);
        gtk_file_chooser_set_local_only(GTK_FILE_CHOOSER(dialog), TRUE);
        std::vector<std::unique_ptr<FileFilter>> kept;
        for (const FileFilter& filter : filters) {
            kept.push_back(std::make_unique<FileFilter>(filter));
            GtkFileFilter* gtkFilter = gtk_file_filter_new();
            gtk_file_filter_set_name(gtkFilter, filter.description.c_str());
            gtk_file_filter_add_custom(gtkFilter, GTK_FILE_FILTER_DISPLAY_NAME, &FilterMatches,
                                       kept.back().get(), nullptr);
            gtk_file_chooser_add_filter(GTK_FILE_CHOOSER(dialog), gtkFilter);
        }
        linux_impl::SetOwner(dialog, owner);
        std::optional<std::string> chosen;
        while (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
            gchar* name = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog));
            if (name == nullptr) {
                continue;
            }
            const bool exists = g_file_test(name, G_FILE_TEST_IS_REGULAR);
            std::string path(name);
            g_free(name);
            // A name typed for a file that is not there keeps the chooser open.
            if (!mustExist || exists) {
                chosen = std::move(path);
                break;
            }
        }
        gtk_widget_destroy(dialog);
        linux_impl::FlushGtkEvents();
        return chosen;
    }
};

}  // namespace

FileChooser& FileChooser::System() {
    static DesktopFileChooser chooser;
    return chooser;
}

}  // namespace platform
