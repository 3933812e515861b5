// Modules loaded at run time by file name, and their functions found by name.
#pragma once

#include <string>

namespace platform {

class SharedLibrary {
public:
    SharedLibrary() = default;
    ~SharedLibrary();
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // False when the module can't be loaded; an earlier module is closed first.
    bool open(const std::string& path);
    void close();
    bool isOpen() const { return handle_ != nullptr; }
    // Null when the module lacks the name or none is open.
    void* symbol(const char* name) const;

private:
    void* handle_ = nullptr;
};

}  // namespace platform
