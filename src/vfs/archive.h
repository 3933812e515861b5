// Archive: a container of named entries that a FileSource of the archive kind opens through.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "vfs/stream.h"

namespace vfs {

class FileSource;

class Archive {
public:
    // Reads the whole source as the archive image; false (archive left empty) when it can't.
    virtual bool mount(FileSource source) = 0;
    virtual void unmount() = 0;
    virtual bool exists(std::string_view name) = 0;
    // The entry opened with mode, or null.
    virtual std::unique_ptr<Stream> open(std::string_view name, std::uint32_t mode) = 0;
    virtual ~Archive() = default;
};

}  // namespace vfs
