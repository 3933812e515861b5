#include "vfs/file_source.h"

#include <string>
#include <tuple>
#include <utility>

#include "platform/resources.h"
#include "vfs/archive.h"
#include "vfs/disk_file.h"
#include "vfs/mem_file.h"

namespace vfs {

namespace {

const platform::Resources* gResources = nullptr;

}  // namespace

void setModuleResources(const platform::Resources* resources) {
    gResources = resources;
}

const platform::Resources& moduleResources() {
    return gResources ? *gResources : platform::Resources::Module();
}

bool loadModuleResource(std::uint32_t id, core::EngineString& bytes) {
    const auto found = moduleResources().Find(kResourceType, id);
    if (!found) {
        bytes = {};
        return false;
    }
    bytes = core::EngineString::borrow(found->data(), static_cast<std::uint32_t>(found->size()));
    return true;
}

FileSource::FileSource(core::EngineString path) : flags(kSourceDisk), path(std::move(path)) {}

FileSource::FileSource(Archive* archive, core::EngineString path)
    : flags(kSourceArchive), path(std::move(path)), archive(archive) {}

FileSource::FileSource(ResourceId id) : flags(kSourceResource), resourceId(id.value) {}

FileSource::FileSource(const void* memory, std::uint32_t memorySize, bool shareable)
    : flags(kSourceMemory), memory(memory), memorySize(memorySize), shareable(shareable) {}

std::unique_ptr<Stream> FileSource::open(std::uint32_t mode) {
    if (flags & (kSourceMemory | kSourceResource)) {
        auto file = std::make_unique<MemFile>();
        file->open(path.view(), mode);
        core::EngineString bytes;
        bool found = false;
        if (flags & kSourceResource) {
            found = loadModuleResource(resourceId, bytes);
            if (found) {
                flags = kSourceResource;
            }
        } else {
            found = true;
            bytes = shareable ? core::EngineString::borrow(memory, memorySize)
                              : core::EngineString::copy(memory, memorySize);
            flags = kSourceMemory;
        }
        if (found) {
            file->assign(std::move(bytes));
            return file;
        }
    }
    if (flags & kSourceDisk) {
        auto file = std::make_unique<DiskFile>();
        if (file->open(path.view(), mode)) {
            flags = kSourceDisk;
            return file;
        }
    }
    if ((flags & kSourceArchive) && archive) {
        flags = kSourceArchive;
        return archive->open(path.view(), mode);
    }
    return nullptr;
}

bool FileSource::readWholeFile(core::EngineString& bytes, bool& share) {
    bytes = {};
    if (flags & kSourceResource) {
        core::EngineString found;
        if (loadModuleResource(resourceId, found)) {
            bytes = share ? std::move(found) : core::EngineString::copy(found.data(), found.size());
            return true;
        }
    }
    if (flags & kSourceMemory) {
        if (share && shareable) {
            bytes = core::EngineString::borrow(memory, memorySize);
        } else {
            bytes = core::EngineString::copy(memory, memorySize);
            share = false;
        }
        return true;
    }
    share = false;
    auto stream = open(kModeRead);
    if (!stream) {
        return false;
    }
    const std::uint32_t n = stream->size();
    std::string data(n, '\0');
    const bool ok = stream->readExact(data.data(), n);
    stream->close();
    if (!ok) {
        return false;
    }
    bytes = core::EngineString(data);
    return true;
}

FileSource FileSource::folder() const {
    const std::string_view p = path.view();
    const auto cut = p.find_last_of("/\\");
    if (cut == std::string_view::npos || cut == 0) {
        return {};
    }
    FileSource result;
    result.flags = flags & (kSourceDisk | kSourceArchive);
    result.archive = archive;
    result.path = core::EngineString(p.substr(0, cut));
    return result;
}

bool operator==(const FileSource& a, const FileSource& b) {
    if ((a.flags & kSourceDisk) && (!(b.flags & kSourceDisk) || !(a.path == b.path))) {
        return false;
    }
    if ((a.flags & kSourceArchive) &&
        (!(b.flags & kSourceArchive) || a.archive != b.archive || !(a.path == b.path))) {
        return false;
    }
    return true;
}

bool operator<(const FileSource& a, const FileSource& b) {
    // Sources without a disk or archive bit first, then disk sources by path, then archive
    // sources by archive and path.
    const auto group = [](const FileSource& s) {
        return (s.flags & kSourceDisk) ? 1 : (s.flags & kSourceArchive) ? 2 : 0;
    };
    const int ga = group(a);
    const int gb = group(b);
    if (ga != gb) {
        return ga < gb;
    }
    if (ga == 1) {
        return a.path.view() < b.path.view();
    }
    if (ga == 2) {
        return std::tuple(a.archive, a.path.view()) < std::tuple(b.archive, b.path.view());
    }
    return false;
}

}  // namespace vfs
