// Process entry: everything happens in RunProcess, with the platform's own services.
#include "app/process.h"

int main(int argc, char** argv) {
    return app::RunProcess(argc, argv, app::ProcessServices{});
}
