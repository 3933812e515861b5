// FileSource: where a file may come from (disk path, archive entry, module resource, memory
// block), and how it is opened or read whole.
#pragma once

#include <cstdint>
#include <memory>

#include "core/engine_string.h"
#include "vfs/stream.h"

namespace platform {
class Resources;
}

namespace vfs {

class Archive;

// Kind bits of FileSource::flags.
inline constexpr std::uint32_t kSourceDisk = 1;
inline constexpr std::uint32_t kSourceArchive = 2;
inline constexpr std::uint32_t kSourceResource = 4;
inline constexpr std::uint32_t kSourceMemory = 8;

// Module resources opened by sources of the resource kind have this type.
inline constexpr const char* kResourceType = "MemFile";

// Tags a module resource id, so that it can't be taken for a size or a path.
struct ResourceId {
    std::uint32_t value = 0;
};

class FileSource {
public:
    FileSource() = default;
    explicit FileSource(core::EngineString path);
    FileSource(Archive* archive, core::EngineString path);
    explicit FileSource(ResourceId id);
    FileSource(const void* memory, std::uint32_t memorySize, bool shareable = true);

    // Tries memory/resource, then disk, then archive; on success flags keep only the kind that
    // answered. Null when none does.
    std::unique_ptr<Stream> open(std::uint32_t mode);

    // The whole file. On entry share says whether the result may reference the source's memory
    // in place; on return it says whether it does.
    bool readWholeFile(core::EngineString& bytes, bool& share);

    // A source of the same disk and archive kinds for the text before the last separator of the
    // path; empty when there is none or it is the first character.
    FileSource folder() const;

    friend bool operator==(const FileSource& a, const FileSource& b);
    friend bool operator<(const FileSource& a, const FileSource& b);

    std::uint32_t flags = 0;
    core::EngineString path;
    std::uint32_t resourceId = 0;
    Archive* archive = nullptr;
    const void* memory = nullptr;
    std::uint32_t memorySize = 0;
    bool shareable = true;
};

// The bytes of module resource (kResourceType, id), referenced in place for the life of the
// process; false when there is none.
bool loadModuleResource(std::uint32_t id, core::EngineString& bytes);

// The resources that sources of the resource kind are looked up in: the running module's unless
// replaced (tests replace them). Passing null restores the module's.
void setModuleResources(const platform::Resources* resources);
const platform::Resources& moduleResources();

}  // namespace vfs
