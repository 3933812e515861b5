// Process entry: everything happens in RunProcess, with the platform's own services and the clock
// scene as the application. On Linux the process ends the Unix way: 0 when it ran and ended,
// 1 when it failed, 2 when its command line could not be read.
#include "app/directx_version.h"
#include "app/process.h"
#include "clock/clock_scene.h"

int main(int argc, char** argv) {
    app::ProcessServices services;
    services.graphicsRuntimeSufficient = [] { return app::GraphicsVersionSufficient(); };
    services.application = &clockscene::TheClockScene;
    services.destroyApplication = &clockscene::DestroyClockScene;
    return app::UnixExitCode(app::RunProcess(argc, argv, services));
}
