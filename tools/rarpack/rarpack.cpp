// rarpack: packs a folder into a store-only RAR archive that the engine's archive reader opens.
// The folder's own name becomes the first entry and prefixes every name inside it ("Media\x").
// Names are sorted and times fixed, so the same files always give the same archive.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "vfs/rar_writer.h"

namespace fs = std::filesystem;

namespace {

// The archive reader compares only this many bytes of an entry's name: a longer name could
// never be found, and two names that agree that far would find the same entry.
constexpr std::size_t kMaxNameBytes = 259;

struct Item {
    std::string name;
    fs::path path;
    bool folder = false;
};

// Entries below root with "\" between folders, sorted by name.
bool collect(const fs::path& root, std::vector<Item>& items) {
    std::error_code error;
    fs::recursive_directory_iterator it(root, error);
    if (error) {
        return false;
    }
    for (; it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (error) {
            return false;
        }
        const fs::directory_entry& entry = *it;
        std::string name = root.filename().string();
        for (const auto& part : fs::relative(entry.path(), root)) {
            name += '\\';
            name += part.string();
        }
        if (entry.is_directory()) {
            items.push_back({name, entry.path(), true});
        } else if (entry.is_regular_file()) {
            items.push_back({name, entry.path(), false});
        }
    }
    std::sort(items.begin(), items.end(),
              [](const Item& a, const Item& b) { return a.name < b.name; });
    return true;
}

bool readFile(const fs::path& path, std::vector<std::uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s OUTPUT.rar FOLDER\n", argv[0]);
        return 2;
    }
    const fs::path output = argv[1];
    fs::path root = fs::path(argv[2]).lexically_normal();
    if (root.filename().empty()) {
        root = root.parent_path();
    }
    if (!fs::is_directory(root)) {
        std::fprintf(stderr, "rarpack: %s is not a folder\n", argv[2]);
        return 1;
    }
    std::vector<Item> items;
    if (!collect(root, items)) {
        std::fprintf(stderr, "rarpack: cannot list %s\n", argv[2]);
        return 1;
    }

    // Checked before anything is read or written, so a refused folder leaves no archive.
    for (const Item& item : items) {
        if (item.name.size() > kMaxNameBytes) {
            std::fprintf(stderr,
                         "rarpack: the entry name %s has %zu bytes; the archive reader compares "
                         "only %zu\n",
                         item.name.c_str(), item.name.size(), kMaxNameBytes);
            return 1;
        }
    }

    vfs::RarWriter writer;
    writer.addFolder(root.filename().string());
    for (const Item& item : items) {
        if (item.folder) {
            writer.addFolder(item.name);
            continue;
        }
        std::vector<std::uint8_t> bytes;
        if (!readFile(item.path, bytes)) {
            std::fprintf(stderr, "rarpack: cannot read %s\n", item.path.c_str());
            return 1;
        }
        if (!writer.addFile(item.name, bytes)) {
            std::fprintf(stderr, "rarpack: %s does not fit in the archive\n", item.path.c_str());
            return 1;
        }
    }
    const std::vector<std::uint8_t> image = writer.finish();

    // Written beside the target and renamed, so an interrupted run leaves no half archive.
    const fs::path temporary = output.string() + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(image.data()),
                  static_cast<std::streamsize>(image.size()));
        if (!out) {
            std::fprintf(stderr, "rarpack: cannot write %s\n", temporary.c_str());
            return 1;
        }
    }
    std::error_code error;
    fs::rename(temporary, output, error);
    if (error) {
        std::fprintf(stderr, "rarpack: cannot write %s\n", output.c_str());
        return 1;
    }
    return 0;
}
