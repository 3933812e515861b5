// The two text resources, the settings defaults and the text table, and the dialog templates.
#include <cstddef>
#include <cstdint>
#include <span>

#include "app/default_settings.h"
#include "app/text_table.h"
#include "platform/dialog.h"
#include "platform/fake/recording_message_box.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);

    platform::fake::RecordingMessageBox box;
    app::DefaultSettings defaults(box);
    defaults.Parse(bytes);
    app::SaverSettings settings;
    defaults.LoadDefaults(settings);

    app::TextTable table;
    table.Parse(bytes);
    const auto lines = app::SplitAboutText(table.GetText("about_window_text"));
    static_cast<void>(lines);
    static_cast<void>(table.GetText("ok"));

    static_cast<void>(platform::ParseDialogTemplate(bytes));
    return 0;
}
