// Modules loaded at run time by file name, and their functions found by name.
#pragma once

#include <cstdint>
#include <span>
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
    // Writes the image to a new file named after `prefix` in `folder` and loads it. On Linux the
    // file is removed at once, as a loaded module needs no file. Windows keeps a loaded module's
    // file open, so there the file goes at close, after the module. An empty `folder` is the
    // system's temporary folder ($TMPDIR or /tmp on Linux, GetTempPathA's on Windows). False,
    // with no file left, on any failure.
    bool openImage(std::span<const std::uint8_t> image, const std::string& folder,
                   const std::string& prefix);
    void close();
    bool isOpen() const { return handle_ != nullptr; }
    // Null when the module lacks the name or none is open.
    void* symbol(const char* name) const;

private:
    void* handle_ = nullptr;
    // The file behind a module loaded from an image, where it must outlive the load (Windows).
    std::string imageFile_;
};

}  // namespace platform
