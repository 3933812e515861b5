// The input is an archive image: a few names are looked up, and what opens is read and seeked.
#include <cstddef>
#include <cstdint>
#include <string>

#include "vfs/rar_archive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > UINT32_MAX) {
        return 0;
    }
    vfs::RarArchive archive;
    if (!archive.mount(vfs::FileSource(data, static_cast<std::uint32_t>(size)))) {
        return 0;
    }
    static const char* const kNames[] = {"Media", "Media/c1.cam", "media\\SCENE.PROPS",
                                         "Media/clock.udf", "a"};
    for (const char* name : kNames) {
        for (std::uint32_t mode : {vfs::kModeRead, vfs::kModeRead | vfs::kModeWrite}) {
            auto stream = archive.open(name, mode);
            if (!stream) {
                continue;
            }
            std::string bytes(stream->size(), '\0');
            stream->readExact(bytes.data(), stream->size());
            stream->seek(-1, vfs::kSeekEnd);
            std::uint32_t value = 0;
            stream->readU32(value);
            stream->seek(0, vfs::kSeekSet);
            core::EngineString text;
            stream->readString(text);
        }
    }
    return 0;
}
