#include "vfs/disk_file.h"

#include <string>

namespace vfs {

DiskFile::~DiskFile() {
    close();
}

bool DiskFile::open(std::string_view name, std::uint32_t mode) {
    close();
    std::string text;
    if ((mode & kModeRead) && (mode & kModeWrite)) {
        // Both bits: read and update a file that exists.
        text = "r+";
    } else {
        if (mode & kModeRead) {
            text += 'r';
        }
        if (mode & kModeWrite) {
            text += 'w';
        }
    }
    text += 'b';
    const std::string path(name);
    file_ = std::fopen(path.c_str(), text.c_str());
    return file_ != nullptr;
}

bool DiskFile::close() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    return true;
}

std::uint32_t DiskFile::tell() {
    if (!file_) {
        return 0xFFFFFFFFu;
    }
    return static_cast<std::uint32_t>(std::ftell(file_));
}

std::uint32_t DiskFile::size() {
    if (!file_) {
        return 0;
    }
    const long here = std::ftell(file_);
    if (here < 0 || std::fseek(file_, 0, SEEK_END) != 0) {
        return 0;
    }
    const long end = std::ftell(file_);
    std::fseek(file_, here, SEEK_SET);
    return end < 0 ? 0 : static_cast<std::uint32_t>(end);
}

bool DiskFile::seek(std::int32_t offset, int origin) {
    if (!file_) {
        return false;
    }
    const int whence = origin == kSeekSet ? SEEK_SET : origin == kSeekCur ? SEEK_CUR : SEEK_END;
    return std::fseek(file_, offset, whence) == 0;
}

bool DiskFile::eof() {
    return !file_ || std::feof(file_) != 0;
}

int DiskFile::read(void* buffer, std::uint32_t n) {
    if (!file_ || n == 0) {
        return 0;
    }
    return std::fread(buffer, n, 1, file_) == 1 ? 1 : 0;
}

int DiskFile::write(const void* buffer, std::uint32_t n) {
    if (!file_ || n == 0) {
        return 0;
    }
    return std::fwrite(buffer, n, 1, file_) == 1 ? 1 : 0;
}

bool DiskFile::movedAll(int result, std::uint32_t) const {
    return result == 1;
}

}  // namespace vfs
