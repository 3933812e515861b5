// Process entry: everything happens in RunProcess, with the platform's own services and the clock
// scene as the application.
#include "app/process.h"
#include "clock/clock_scene.h"

int main(int argc, char** argv) {
    app::ProcessServices services;
    services.application = &clockscene::TheClockScene;
    services.destroyApplication = &clockscene::DestroyClockScene;
    return app::RunProcess(argc, argv, services);
}
