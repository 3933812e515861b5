// FontStore: the process-wide store of text styles, each with the charsets that make it up, filled
// from font structure files ("fs").
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "text/charset.h"
#include "text/style_key.h"

namespace vfs {
class FileSource;
class SearchPaths;
}  // namespace vfs

namespace text {

struct StyleEntry {
    // In file order; a charset that failed to load stays in the list and draws nothing.
    std::vector<std::unique_ptr<Charset>> charsets;

    // The first charset that has a rectangle for `code`, or null.
    const Charset* Find(std::int32_t code) const;
};

class FontStore {
public:
    // A damaged file can't make a load read without end: styles and charsets past these are
    // left out.
    static constexpr std::size_t kMaxStyles = 64;
    static constexpr std::size_t kMaxCharsets = 64;

    static FontStore& Instance();

    // Reads the font structure file and loads every charset it lists, looked up beside the
    // file and in `searchPaths`. False when the file can't be read, ends inside a statement or
    // lists no charset, or when a charset failed.
    bool LoadFont(const vfs::FileSource& source, const vfs::SearchPaths& searchPaths);

    // The style whose key equals `key`, or null.
    const StyleEntry* Lookup(const StyleKey& key) const;
    // The entry of `key`, made empty when missing.
    StyleEntry& Insert(const StyleKey& key);

    std::size_t StyleCount() const { return styles_.size(); }
    const std::map<StyleKey, StyleEntry>& Styles() const { return styles_; }
    void Clear() { styles_.clear(); }

private:
    std::map<StyleKey, StyleEntry> styles_;
};

}  // namespace text
