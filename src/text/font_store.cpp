#include "text/font_store.h"

#include <string>

#include "core/trace.h"
#include "udf/prop_node.h"
#include "udf/udf_text_parser.h"
#include "vfs/file_source.h"
#include "vfs/search_paths.h"
#include "vfs/stream.h"

namespace text {

const Charset* StyleEntry::Find(std::int32_t code) const {
    for (const auto& charset : charsets) {
        if (charset->Rect(code)) {
            return charset.get();
        }
    }
    return nullptr;
}

FontStore& FontStore::Instance() {
    static FontStore store;
    return store;
}

const StyleEntry* FontStore::Lookup(const StyleKey& key) const {
    const auto found = styles_.find(key);
    return found == styles_.end() ? nullptr : &found->second;
}

StyleEntry& FontStore::Insert(const StyleKey& key) {
    return styles_[key];
}

bool FontStore::LoadFont(const vfs::FileSource& source, const vfs::SearchPaths& searchPaths) {
    // A name the search paths don't know is opened as given.
    vfs::FileSource file = source;
    if (vfs::FileSource found = source; searchPaths.resolve(found)) {
        file = found;
    }
    std::unique_ptr<vfs::Stream> stream = file.open(vfs::kModeRead);
    if (!stream) {
        return false;
    }
    vfs::SearchPaths paths = searchPaths;
    if (vfs::FileSource folder = file.folder(); !folder.path.empty()) {
        paths.add(folder);
    }
    udf::PropNode root;
    udf::UdfTextParser parser(&paths);
    // A file cut short has lost what it lists after the cut.
    const bool parsed = parser.parse(*stream, root) && !parser.cutShort();
    // An archive reads one entry at a time; the charsets come next.
    stream.reset();
    if (!parsed) {
        return false;
    }

    // A font without a charset draws nothing.
    const udf::PropNode* styles = root.findChild("Styles");
    if (!styles) {
        return false;
    }
    bool status = true;
    bool anyCharset = false;
    std::size_t charsetsLeft = kMaxCharsets;
    std::size_t stylesLeft = kMaxStyles;
    for (const udf::PropNode::Child& element : styles->children()) {
        if (stylesLeft-- == 0) {
            break;
        }
        const udf::PropNode& style = *element.node;
        StyleKey key;
        if (const udf::PropNode* size = style.findChild("Size")) {
            key.size = size->asInt();
        }
        if (const udf::PropNode* bold = style.findChild("Bold"); bold && bold->asInt() >= 1) {
            key.flags |= kStyleBold;
        }
        if (const udf::PropNode* italic = style.findChild("Italic");
            italic && italic->asInt() >= 1) {
            key.flags |= kStyleItalic;
        }
        if (const udf::PropNode* name = style.findChild("FontName")) {
            key.fontName = name->value.str();
        }
        const udf::PropNode* charsets = style.findChild("Charsets");
        if (!charsets) {
            continue;
        }
        StyleEntry& entry = Insert(key);
        for (const udf::PropNode::Child& listed : charsets->children()) {
            if (charsetsLeft == 0) {
                break;
            }
            --charsetsLeft;
            anyCharset = true;
            const std::string name = listed.node->value.str();
            vfs::FileSource charsetFile = FileBeside(file, name);
            auto charset = std::make_unique<Charset>();
            const bool loaded =
                !name.empty() && charsetFile.flags && charset->Load(charsetFile, paths);
            if (!loaded) {
                core::TraceError("", "Error: Charset '" + name + "' loading failed\n");
                status = false;
            }
            entry.charsets.push_back(std::move(charset));
        }
    }
    return status && anyCharset;
}

}  // namespace text
