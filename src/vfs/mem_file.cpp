#include "vfs/mem_file.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

namespace vfs {

bool MemFile::open(std::string_view, std::uint32_t mode) {
    mode_ = mode;
    position_ = 0;
    atEnd_ = false;
    return true;
}

bool MemFile::close() {
    return true;
}

std::uint32_t MemFile::tell() {
    return base_ + position_;
}

std::uint32_t MemFile::size() {
    return length();
}

std::uint32_t MemFile::length() const {
    return (mode_ & kModeWrite) ? bufferLength_ : block_.size();
}

bool MemFile::seek(std::int32_t offset, int origin) {
    atEnd_ = false;
    std::int64_t target = 0;
    switch (origin) {
        case kSeekSet:
            target = static_cast<std::int64_t>(offset) - base_;
            break;
        case kSeekCur:
            target = static_cast<std::int64_t>(position_) + offset;
            break;
        case kSeekEnd:
            target = static_cast<std::int64_t>(length()) + offset - base_;
            break;
        default:
            return false;
    }
    // Positions before the block's start are refused as well as those past its end.
    if (target < 0 || target > static_cast<std::int64_t>(length())) {
        return false;
    }
    position_ = static_cast<std::uint32_t>(target);
    return true;
}

bool MemFile::eof() {
    return atEnd_;
}

int MemFile::read(void* buffer, std::uint32_t n) {
    const std::uint32_t len = length();
    if (position_ >= len) {
        atEnd_ = true;
        return 0;
    }
    const std::uint32_t count = std::min({n, len - position_, static_cast<std::uint32_t>(INT_MAX)});
    auto* out = static_cast<std::uint8_t*>(buffer);
    if (mode_ & kModeWrite) {
        std::uint32_t done = 0;
        while (done < count) {
            const std::uint32_t at = position_ + done;
            const std::uint32_t inChunk = at % kChunkSize;
            const std::uint32_t step = std::min(count - done, kChunkSize - inChunk);
            std::memcpy(out + done, chunks_[at / kChunkSize].get() + inChunk, step);
            done += step;
        }
    } else {
        std::memcpy(out, block_.data() + position_, count);
    }
    position_ += count;
    return static_cast<int>(count);
}

int MemFile::write(const void* buffer, std::uint32_t n) {
    // The buffer's length must stay countable in 32 bits, and the count returnable.
    if (n > static_cast<std::uint32_t>(INT_MAX) || n > UINT32_MAX - position_) {
        return 0;
    }
    const std::uint32_t end = position_ + n;
    while (static_cast<std::uint64_t>(chunks_.size()) * kChunkSize < end) {
        chunks_.push_back(std::make_unique<std::uint8_t[]>(kChunkSize));
    }
    const auto* in = static_cast<const std::uint8_t*>(buffer);
    std::uint32_t done = 0;
    while (done < n) {
        const std::uint32_t at = position_ + done;
        const std::uint32_t inChunk = at % kChunkSize;
        const std::uint32_t step = std::min(n - done, kChunkSize - inChunk);
        std::memcpy(chunks_[at / kChunkSize].get() + inChunk, in + done, step);
        done += step;
    }
    position_ = end;
    bufferLength_ = std::max(bufferLength_, end);
    return static_cast<int>(n);
}

void MemFile::assign(core::EngineString bytes) {
    if (mode_ & kModeWrite) {
        const std::uint32_t keep = position_;
        position_ = 0;
        write(bytes.data(), bytes.size());
        position_ = keep;
        return;
    }
    block_ = std::move(bytes);
}

std::vector<std::uint8_t> MemFile::bufferBytes() const {
    std::vector<std::uint8_t> out(bufferLength_);
    for (std::uint32_t at = 0; at < bufferLength_; at += kChunkSize) {
        std::memcpy(out.data() + at, chunks_[at / kChunkSize].get(),
                    std::min(kChunkSize, bufferLength_ - at));
    }
    return out;
}

}  // namespace vfs
