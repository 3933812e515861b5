#include "platform/shared_library.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

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

bool SharedLibrary::openImage(std::span<const std::uint8_t> image, const std::string& folder,
                              const std::string& prefix) {
    close();
    if (image.empty()) {
        return false;
    }
    std::string directory = folder;
    if (directory.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        directory = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
    }
    std::string pattern = directory + "/" + prefix + "XXXXXX";
    std::vector<char> path(pattern.begin(), pattern.end());
    path.push_back('\0');
    const int fd = mkstemp(path.data());
    if (fd < 0) {
        return false;
    }
    std::size_t written = 0;
    while (written < image.size()) {
        const ssize_t n = write(fd, image.data() + written, image.size() - written);
        if (n <= 0) {
            break;
        }
        written += static_cast<std::size_t>(n);
    }
    const bool complete = written == image.size() && ::close(fd) == 0;
    if (written != image.size()) {
        ::close(fd);
    }
    const bool loaded = complete && open(path.data());
    unlink(path.data());
    return loaded;
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
