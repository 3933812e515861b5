#include "vfs/stream.h"

#include <string>

namespace vfs {

bool Stream::movedAll(int result, std::uint32_t n) const {
    return result >= 0 && static_cast<std::uint32_t>(result) == n;
}

bool Stream::readExact(void* buffer, std::uint32_t n) {
    if (n == 0) {
        return true;
    }
    return movedAll(read(buffer, n), n);
}

bool Stream::writeExact(const void* buffer, std::uint32_t n) {
    if (n == 0) {
        return true;
    }
    return movedAll(write(buffer, n), n);
}

bool Stream::readU32(std::uint32_t& value) {
    std::uint8_t b[4] = {};
    const bool ok = readExact(b, 4);
    value = ok ? static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
                     static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24
               : 0;
    return ok;
}

bool Stream::readU8(std::uint8_t& value) {
    std::uint8_t b = 0;
    const bool ok = readExact(&b, 1);
    value = ok ? b : 0;
    return ok;
}

bool Stream::writeU32(std::uint32_t value) {
    const std::uint8_t b[4] = {
        static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
        static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    return writeExact(b, 4);
}

bool Stream::writeU8(std::uint8_t value) {
    return writeExact(&value, 1);
}

bool Stream::readBytes(core::EngineString& bytes, std::uint32_t n) {
    bytes = {};
    // A count from a damaged file must not decide how much is allocated: no stream holds more
    // than its own length.
    if (n > size()) {
        return false;
    }
    std::string data(n, '\0');
    if (!readExact(data.data(), n)) {
        return false;
    }
    bytes = core::EngineString(data);
    return true;
}

bool Stream::readString(core::EngineString& text) {
    std::uint32_t n = 0;
    if (!readU32(n)) {
        text = {};
        return false;
    }
    return readBytes(text, n);
}

bool Stream::readWideString(std::u16string& text) {
    text.clear();
    std::uint32_t count = 0;
    if (!readU32(count) || count > size() / 2) {
        return false;
    }
    std::string raw(static_cast<std::size_t>(count) * 2, '\0');
    if (!readExact(raw.data(), count * 2)) {
        return false;
    }
    text.resize(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        text[i] = static_cast<char16_t>(static_cast<std::uint8_t>(raw[2 * i]) |
                                        static_cast<std::uint8_t>(raw[2 * i + 1]) << 8);
    }
    return true;
}

}  // namespace vfs
