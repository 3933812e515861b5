// Process entry on Windows: the same RunProcess as on Linux, with the command line read the
// Windows way (switches alone, a failed start silent), the DirectX check and its notice, and the
// exit codes the saver was designed with. The program is a GUI-subsystem module, so no console
// opens when Windows starts it.
#include "app/direct3d_version.h"
#include "app/process.h"
#include "app/version_notice.h"
#include "clock/clock_scene.h"

int main(int argc, char** argv) {
    app::ProcessServices services;
    services.unixCommandLine = false;
    services.graphicsRuntimeSufficient = [] {
        return app::DirectXVersionSufficient(platform::DirectXProbe::System());
    };
    services.showVersionNotice = [] {
        app::ShowVersionNotice(platform::Resources::Module(), platform::Dialogs::System(),
                               platform::UrlOpener::System(), app::kDirectXDownloadUrl);
    };
    services.application = &clockscene::TheClockScene;
    services.destroyApplication = &clockscene::DestroyClockScene;
    return app::WindowsExitCode(app::RunProcess(argc, argv, services));
}
