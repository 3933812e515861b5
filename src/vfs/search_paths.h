// SearchPaths: disk folders and archive mounts that a file name is looked up in.
#pragma once

#include <vector>

#include "vfs/file_source.h"

namespace vfs {

class SearchPaths {
public:
    // To the disk folders when the source has the disk bit, to the archive mounts when it has the
    // archive bit and an archive; duplicates are dropped.
    void add(const FileSource& source);
    void add(const SearchPaths& other);

    // Completes source.path and narrows source.flags to the kind found; false when nothing fits.
    bool resolve(FileSource& source) const;

    const std::vector<FileSource>& diskFolders() const { return diskFolders_; }
    const std::vector<FileSource>& archiveMounts() const { return archiveMounts_; }

private:
    std::vector<FileSource> diskFolders_;
    std::vector<FileSource> archiveMounts_;
};

}  // namespace vfs
