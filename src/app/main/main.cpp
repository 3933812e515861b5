// Process entry: the graphics-runtime gate, the run mode, and the application's whole life.
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>

#include "app/command_line.h"
#include "app/directx_version.h"
#include "app/saver_application.h"
#include "app/version_notice.h"
#include "core/interval_timer.h"
#include "core/trace.h"
#include "platform/screensaver.h"

namespace {

std::string LocalDateTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32] = {};
    std::strftime(text, sizeof text, "%d.%m.%Y %H:%M:%S", &local);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    // The version check below already starts the display and makes a graphics context.
    platform::PrepareProcess();

    std::uint32_t version = 0;
    char versionText[10] = {};
    if (app::GetDirectXVersion(&version, versionText, sizeof versionText) != app::S_OK ||
        version < app::kRequiredGraphicsVersion) {
        app::ShowVersionNotice();
        return 1;
    }
    core::Trace("\n>>Log started " + LocalDateTime() + "\n");
    core::Trace("DX version ok\n");

    std::uint32_t windowArgument = 0;
    const app::RunMode mode =
        app::ParseCommandLine(app::FullCommandLine(argc, argv), windowArgument);
    core::Trace("Running in mode: " + std::to_string(static_cast<int>(mode)) + "\n");

    app::SaverApplication* application = app::TheApplication();
    platform::SetScreenSaverRunning(true);
    std::srand(static_cast<unsigned>(core::NowMilliseconds() % 0x8000));

    // An application that could not be made fails the start like one that could not start.
    if (!application || !application->Create(0, mode, windowArgument)) {
        platform::SetScreenSaverRunning(false);
        return 0;
    }
    int exitCode = 1;
    if (mode != app::RunMode::Configure) {
        exitCode = application->Run();
    }
    platform::SetScreenSaverRunning(false);
    app::DestroyApplication();
    core::Trace("\n<<Log closed");
    return exitCode;
}
