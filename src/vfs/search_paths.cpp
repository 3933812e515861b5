#include "vfs/search_paths.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "vfs/archive.h"

namespace vfs {

namespace {

bool opensOnDisk(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (!file) {
        return false;
    }
    std::fclose(file);
    return true;
}

std::string_view stripTrailing(std::string_view folder) {
    while (!folder.empty() && folder.back() == '\\') {
        folder.remove_suffix(1);
    }
    while (!folder.empty() && folder.back() == '/') {
        folder.remove_suffix(1);
    }
    return folder;
}

// A disk folder of "" is the working directory, so the name stays relative; "/" is the root.
std::string joinOnDisk(std::string_view folder, std::string_view name) {
    if (folder.empty()) {
        return std::string(name);
    }
    std::string joined(stripTrailing(folder));
    joined += '/';
    joined += name;
    return joined;
}

// Entry names never begin with a separator, so a mount of "" or "/" is the archive's root.
std::string joinInArchive(std::string_view mount, std::string_view name) {
    const std::string_view folder = stripTrailing(mount);
    if (folder.empty()) {
        return std::string(name);
    }
    std::string joined(folder);
    joined += '/';
    joined += name;
    return joined;
}

}  // namespace

void SearchPaths::add(const FileSource& source) {
    if (source.flags & kSourceDisk) {
        const bool known = std::any_of(diskFolders_.begin(), diskFolders_.end(),
                                       [&](const FileSource& s) { return s.path == source.path; });
        if (!known) {
            diskFolders_.push_back(source);
        }
    }
    if ((source.flags & kSourceArchive) && source.archive) {
        const bool known =
            std::any_of(archiveMounts_.begin(), archiveMounts_.end(), [&](const FileSource& s) {
                return s.archive == source.archive && s.path == source.path;
            });
        if (!known) {
            archiveMounts_.push_back(source);
        }
    }
}

void SearchPaths::add(const SearchPaths& other) {
    for (const FileSource& s : other.diskFolders_) {
        add(s);
    }
    for (const FileSource& s : other.archiveMounts_) {
        add(s);
    }
}

bool SearchPaths::resolve(FileSource& source) const {
    if (source.flags & kSourceMemory) {
        source.flags = kSourceMemory;
        return true;
    }
    if (source.flags & kSourceResource) {
        core::EngineString bytes;
        if (loadModuleResource(source.resourceId, bytes)) {
            source.flags = kSourceResource;
            return true;
        }
    }

    std::string_view name = source.path.view();
    while (!name.empty() && name.front() == '/') {
        name.remove_prefix(1);
    }
    while (!name.empty() && name.front() == '\\') {
        name.remove_prefix(1);
    }
    const std::string path(name);
    source.path = core::EngineString(path);

    if (source.flags & kSourceDisk) {
        if (opensOnDisk(path)) {
            source.flags = kSourceDisk;
            return true;
        }
        for (const FileSource& folder : diskFolders_) {
            std::string joined = joinOnDisk(folder.path.view(), path);
            if (opensOnDisk(joined)) {
                source.flags = kSourceDisk;
                source.path = core::EngineString(joined);
                return true;
            }
        }
    }
    if (source.flags & kSourceArchive) {
        if (source.archive && source.archive->exists(path)) {
            source.flags = kSourceArchive;
            return true;
        }
        for (const FileSource& mount : archiveMounts_) {
            std::string joined = joinInArchive(mount.path.view(), path);
            if (mount.archive->exists(joined)) {
                source.flags = kSourceArchive;
                source.archive = mount.archive;
                source.path = core::EngineString(joined);
                return true;
            }
        }
    }
    return false;
}

}  // namespace vfs
