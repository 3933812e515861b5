// Stream: the byte stream every file is read and written through, with the little-endian field
// helpers the UDF reader and writer use.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/engine_string.h"

namespace vfs {

// Mode bits for open.
inline constexpr std::uint32_t kModeRead = 1;
inline constexpr std::uint32_t kModeWrite = 2;

// Seek origins.
inline constexpr int kSeekSet = 0;
inline constexpr int kSeekCur = 1;
inline constexpr int kSeekEnd = 2;

class Stream {
public:
    virtual bool open(std::string_view name, std::uint32_t mode) = 0;
    virtual bool close() = 0;
    // The current position; 0xFFFFFFFF (-1) when the stream has nothing open.
    virtual std::uint32_t tell() = 0;
    virtual std::uint32_t size() = 0;
    virtual bool seek(std::int32_t offset, int origin) = 0;
    virtual bool eof() = 0;
    virtual ~Stream() = default;
    // The count a read or write returns depends on the stream: a disk file moves the whole count
    // as one item (1 or 0), a memory file returns the bytes moved. Use the helpers below for
    // whole-count transfers.
    virtual int read(void* buffer, std::uint32_t n) = 0;
    virtual int write(const void* buffer, std::uint32_t n) = 0;

    // True when all n bytes moved (n == 0 moves nothing and succeeds).
    bool readExact(void* buffer, std::uint32_t n);
    bool writeExact(const void* buffer, std::uint32_t n);

    // Fields are little-endian; a short read leaves the value zero and returns false.
    bool readU32(std::uint32_t& value);
    bool readU8(std::uint8_t& value);
    bool writeU32(std::uint32_t value);
    bool writeU8(std::uint8_t value);

    // u32 byte count, then the bytes (no terminator stored; one is kept in memory). A count
    // larger than the whole stream is refused before anything is allocated.
    bool readString(core::EngineString& text);
    // u32 count, then that many 16-bit units; bounded like readString.
    bool readWideString(std::u16string& text);
    // n bytes into a fresh owned block; bounded like readString.
    bool readBytes(core::EngineString& bytes, std::uint32_t n);

protected:
    // Whether a read or write that returned result moved all n bytes.
    virtual bool movedAll(int result, std::uint32_t n) const;
};

}  // namespace vfs
