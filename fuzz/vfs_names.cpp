// Name resolution: the lines before the marker "\n@@\n" name files packed into an archive, the
// lines after it are looked up through the search paths (the archive's root and a folder of it,
// and a disk folder that doesn't exist), opened in the archive directly, and read.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "vfs/rar_archive.h"
#include "vfs/rar_writer.h"
#include "vfs/search_paths.h"
#include "vfs/stream.h"

namespace {

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty() && lines.size() < 64) {
        const std::size_t end = text.find('\n');
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
    return lines;
}

void ReadAll(vfs::Stream& stream) {
    char buffer[64];
    const std::uint32_t size = stream.size();
    stream.read(buffer, size < sizeof buffer ? size : sizeof buffer);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::size_t marker = text.find("\n@@\n");
    const std::string_view stored = text.substr(0, marker);
    const std::string_view wanted =
        marker == std::string_view::npos ? std::string_view() : text.substr(marker + 4);

    vfs::RarWriter writer;
    for (std::string_view name : Lines(stored)) {
        writer.addFile(name, std::span(reinterpret_cast<const std::uint8_t*>(name.data()),
                                       name.size()));
    }
    const std::vector<std::uint8_t> image = writer.finish();
    vfs::RarArchive archive;
    if (!archive.mount(vfs::FileSource(image.data(), static_cast<std::uint32_t>(image.size())))) {
        return 0;
    }
    vfs::SearchPaths paths;
    for (const char* mount : {"", "Sub\\", "/Sub/"}) {
        vfs::FileSource source(&archive, core::EngineString(mount));
        source.flags = vfs::kSourceArchive;
        paths.add(source);
    }
    vfs::FileSource folder(core::EngineString("/nonexistent-zorvane-fuzz-folder"));
    folder.flags = vfs::kSourceDisk;
    paths.add(folder);

    for (std::string_view name : Lines(wanted)) {
        vfs::FileSource source{core::EngineString(std::string(name))};
        source.flags = vfs::kSourceDisk | vfs::kSourceArchive;
        if (paths.resolve(source) && (source.flags & vfs::kSourceArchive) && source.archive) {
            if (auto stream = source.archive->open(source.path.str(), vfs::kModeRead)) {
                ReadAll(*stream);
            }
        }
        if (auto stream = archive.open(std::string(name), vfs::kModeRead)) {
            ReadAll(*stream);
        }
    }
    return 0;
}
