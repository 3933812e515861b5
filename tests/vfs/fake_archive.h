// An archive that answers from a list of entries held in memory and counts what it was asked.
#pragma once

#include <map>
#include <string>

#include "vfs/archive.h"
#include "vfs/file_source.h"
#include "vfs/mem_file.h"

namespace vfs::testing {

class FakeArchive final : public Archive {
public:
    explicit FakeArchive(bool existsForAll = false) : existsForAll_(existsForAll) {}

    void add(std::string name, std::string bytes) { entries_[std::move(name)] = std::move(bytes); }

    bool mount(FileSource) override { return true; }
    void unmount() override {}
    bool exists(std::string_view name) override {
        ++existsCalls;
        return existsForAll_ || entries_.count(std::string(name)) != 0;
    }
    std::unique_ptr<Stream> open(std::string_view name, std::uint32_t mode) override {
        ++openCalls;
        auto found = entries_.find(std::string(name));
        if (found == entries_.end()) {
            return nullptr;
        }
        auto file = std::make_unique<MemFile>();
        file->open(name, mode);
        file->assign(core::EngineString(found->second));
        return file;
    }

    int existsCalls = 0;
    int openCalls = 0;

private:
    bool existsForAll_;
    std::map<std::string, std::string> entries_;
};

}  // namespace vfs::testing
