#include "platform/shared_library.h"

#include <dlfcn.h>

namespace platform {

SharedLibrary::~SharedLibrary() {
    close();
}

bool SharedLibrary::open(const std::string& path) {
    close();
    // RTLD_LOCAL keeps the module's names out of the program's own look-ups.
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    return handle_ != nullptr;
}

void SharedLibrary::close() {
    if (handle_ != nullptr) {
        dlclose(handle_);
        handle_ = nullptr;
    }
}

void* SharedLibrary::symbol(const char* name) const {
    return handle_ != nullptr ? dlsym(handle_, name) : nullptr;
}

}  // namespace platform
