// Modules on Windows: LoadLibraryA and GetProcAddress. A module loaded from an image keeps its
// temporary file until FreeLibrary, as Windows can't delete the file of a loaded module.
#include "platform/shared_library.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/win32/win32_api.h"

namespace platform {
namespace {

// The system's temporary folder, or nothing when it can't be told.
std::string TemporaryFolder() {
    char buffer[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(sizeof buffer, buffer);
    if (length == 0 || length > MAX_PATH) {
        return {};
    }
    return std::string(buffer, length);
}

bool WriteWhole(const std::string& path, std::span<const std::uint8_t> image) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    std::size_t written = 0;
    while (written < image.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(image.size() - written,
                                                                     1u << 30));
        DWORD done = 0;
        if (!WriteFile(file, image.data() + written, chunk, &done, nullptr) || done == 0) {
            break;
        }
        written += done;
    }
    return CloseHandle(file) && written == image.size();
}

bool HoldsImage(const std::string& path, std::span<const std::uint8_t> image) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    std::vector<std::uint8_t> chunk(1u << 16);
    std::size_t read = 0;
    bool same = true;
    while (same && read < image.size()) {
        DWORD done = 0;
        const auto want = static_cast<DWORD>(std::min(chunk.size(), image.size() - read));
        if (!ReadFile(file, chunk.data(), want, &done, nullptr) || done == 0) {
            same = false;
            break;
        }
        same = std::equal(chunk.begin(), chunk.begin() + done, image.begin() + long(read));
        read += done;
    }
    CloseHandle(file);
    return same && read == image.size();
}

// A run that was killed leaves its copy of the image behind. Copies of this same image that no
// process holds any more (Windows refuses to delete a loaded module's file) go before a new one
// is written; anything else under the prefix is left alone.
void RemoveStaleCopies(std::string directory, const std::string& prefix,
                       std::span<const std::uint8_t> image) {
    if (directory.back() != '\\' && directory.back() != '/') {
        directory += '\\';
    }
    WIN32_FIND_DATAA found{};
    const HANDLE search = FindFirstFileA((directory + prefix + "*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::uint64_t size = (std::uint64_t(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
        const std::string path = directory + found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && size == image.size() &&
            HoldsImage(path, image)) {
            DeleteFileA(path.c_str());
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

}  // namespace

SharedLibrary::~SharedLibrary() {
    close();
}

bool SharedLibrary::open(const std::string& path) {
    close();
    // A module that is missing or damaged is a failed load, never a box asking the user.
    const UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    handle_ = LoadLibraryA(path.c_str());
    SetErrorMode(previousMode);
    return handle_ != nullptr;
}

bool SharedLibrary::openImage(std::span<const std::uint8_t> image, const std::string& folder,
                              const std::string& prefix) {
    close();
    if (image.empty()) {
        return false;
    }
    const std::string directory = folder.empty() ? TemporaryFolder() : folder;
    if (!directory.empty()) {
        RemoveStaleCopies(directory, prefix, image);
    }
    char path[MAX_PATH + 1] = {};
    // The name is unique and the file exists from here on.
    if (directory.empty() || GetTempFileNameA(directory.c_str(), prefix.c_str(), 0, path) == 0) {
        return false;
    }
    if (!WriteWhole(path, image) || !open(path)) {
        DeleteFileA(path);
        return false;
    }
    imageFile_ = path;
    return true;
}

void SharedLibrary::close() {
    if (handle_ != nullptr) {
        FreeLibrary(static_cast<HMODULE>(handle_));
        handle_ = nullptr;
    }
    if (!imageFile_.empty()) {
        DeleteFileA(imageFile_.c_str());
        imageFile_.clear();
    }
}

void* SharedLibrary::symbol(const char* name) const {
    if (handle_ == nullptr || name == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

}  // namespace platform
