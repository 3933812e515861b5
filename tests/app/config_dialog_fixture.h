// A shell in the configuration mode with the shipped dialog templates, texts and defaults, a
// registry in memory, a scripted graphics runtime and recording stand-ins for the browser and the
// file chooser. The dialogs are the fake ones or the desktop's, so the same scripts drive both.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/about_box.h"
#include "app/config_dialog.h"
#include "app/picture_dialog_part.h"
#include "app/saver_application.h"
#include "app/settings_store.h"
#include "clock/clock_scene.h"
#include "platform/fake/gfx/fake_runtime.h"
#include "platform/fake/memory_registry.h"
#include "platform/fake/memory_resources.h"
#include "platform/fake/recording_message_box.h"
#include "platform/fake/recording_url_opener.h"
#include "platform/fake/scripted_file_chooser.h"

namespace app::test {

inline std::vector<std::uint8_t> ShippedResource(const std::string& name) {
    std::ifstream in(std::string(ZORVANE_SOURCE_DIR) + "/resources/" + name, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

class ConfigDialogFixture {
public:
    explicit ConfigDialogFixture(platform::Dialogs& dialogs) : dialogs_(dialogs) {
        resources.Add("DIALOG", 132, ShippedResource("dialog_132.dlg"));
        resources.Add("DIALOG", 103, ShippedResource("dialog_103.dlg"));
        resources.Add("CustomData", 193, ShippedResource("def_settings.txt"));
        resources.Add("CustomData", 194, ShippedResource("texts.txt"));
        script.adapters = {gfx::fake::StandardAdapter()};
    }

    SaverServices Services() {
        SaverServices services;
        services.resources = &resources;
        services.registry = &registry;
        services.messageBox = &messageBoxes;
        services.dialogs = &dialogs_;
        services.urlOpener = &urls;
        services.fileChooser = &files;
        services.runtime = [this]() -> gfx::Runtime* {
            ++runtimesMade;
            return noRuntime ? nullptr : new gfx::fake::FakeRuntime(script);
        };
        return services;
    }

    // Opens the dialog as `zorvane /c` does and runs `drive` in it; the settings as the
    // application holds them afterwards.
    SaverSettings Run(platform::DialogScript drive, std::uint32_t owner = 0) {
        dialogs_.Drive(std::move(drive));
        clockscene::ClockScene saver(Services());
        EXPECT_TRUE(saver.Create(0, RunMode::Configure, owner));
        return saver.Settings();
    }

    // The settings a fresh start reads back from the registry.
    SaverSettings Stored() {
        clockscene::ClockScene saver(Services());
        saver.ReadSettings();
        return saver.Settings();
    }

    std::uint32_t StoredDword(const char* name) const {
        const auto* value = registry.Get(kSettingsKeyPath, name);
        if (value == nullptr || value->data.size() != 4) {
            return 0xFFFFFFFF;
        }
        return value->data[0] | value->data[1] << 8 | value->data[2] << 16 |
               std::uint32_t(value->data[3]) << 24;
    }

    platform::fake::MemoryResources resources;
    platform::fake::MemoryRegistry registry;
    platform::fake::RecordingMessageBox messageBoxes;
    platform::fake::RecordingUrlOpener urls;
    platform::fake::ScriptedFileChooser files;
    gfx::fake::FakeScript script;
    bool noRuntime = false;
    int runtimesMade = 0;

private:
    platform::Dialogs& dialogs_;
};

}  // namespace app::test
