#include "text/charset.h"

#include <algorithm>
#include <charconv>
#include <memory>

#include "core/trace.h"
#include "render/device/format_info.h"
#include "render/textures/color_key.h"
#include "render/textures/texture.h"
#include "render/textures/texture_manager.h"
#include "udf/prop_node.h"
#include "udf/udf_text_parser.h"
#include "vfs/file_source.h"
#include "vfs/search_paths.h"
#include "vfs/stream.h"

namespace text {
namespace {

const udf::PropNode* Find(const udf::PropNode& node, std::string_view key) {
    return node.findChild(key);
}

// Codes stay bytes and widths 8 bits; whatever a file says beyond that is held to the range.
std::uint8_t ClampWidth(double value) {
    return static_cast<std::uint8_t>(std::clamp(value, 0.0, 255.0));
}

// The character between the quotes of a key such as "A" or 'A' (a backslash may stand before
// it); -1 when the key is not quoted.
std::int32_t QuotedCode(std::string_view key) {
    if (key.size() < 3 || (key.front() != '"' && key.front() != '\'') ||
        key.back() != key.front()) {
        return -1;
    }
    std::string_view inner = key.substr(1, key.size() - 2);
    if (inner.size() == 2 && inner.front() == '\\') {
        inner.remove_prefix(1);
    }
    return inner.size() == 1 ? static_cast<unsigned char>(inner.front()) : -1;
}

// A key that is a plain decimal number 0 .. 65535; -1 otherwise.
std::int32_t DecimalKey(std::string_view key) {
    std::int32_t value = -1;
    const auto [end, error] = std::from_chars(key.data(), key.data() + key.size(), value);
    if (error != std::errc() || end != key.data() + key.size() || value < 0 || value > 65535) {
        return -1;
    }
    return value;
}

}  // namespace

vfs::FileSource FileBeside(const vfs::FileSource& file, std::string_view name) {
    vfs::FileSource result{core::EngineString(name)};
    result.flags = file.flags & (vfs::kSourceDisk | vfs::kSourceArchive);
    result.archive = file.archive;
    // Disk names are found through the search paths, which hold the file's folder.
    if (const vfs::FileSource folder = file.folder();
        (result.flags & vfs::kSourceArchive) && !folder.path.empty()) {
        result.path = core::EngineString(folder.path.str() + "/" + std::string(name));
    }
    return result;
}

Charset::~Charset() {
    if (texture_) {
        texture_->Release();
    }
}

std::int32_t Charset::IndexOf(std::int32_t code) const {
    const std::int64_t index = std::int64_t(code) - startChar_;
    if (index < 0 || index >= std::int64_t(widths_.size())) {
        return -1;
    }
    return static_cast<std::int32_t>(index);
}

bool Charset::Read(const udf::PropNode& root) {
    if (const udf::PropNode* format = Find(root, "Format")) {
        // Unknown names keep the default.
        if (const std::uint32_t known = render::FormatFromName(format->value.view())) {
            format_ = static_cast<gfx::D3DFORMAT>(known);
        }
    }
    if (const udf::PropNode* name = Find(root, "Name")) {
        textureName_ = name->value.str();
    }
    if (const udf::PropNode* n = Find(root, "CharsPerLine")) {
        charsPerLine_ = n->asInt();
    }
    if (const udf::PropNode* n = Find(root, "CharWidth")) {
        charWidth_ = n->asInt();
    }
    if (const udf::PropNode* n = Find(root, "CharHeight")) {
        charHeight_ = n->asInt();
    }
    if (const udf::PropNode* n = Find(root, "StartChar")) {
        startChar_ = n->asInt();
    }
    if (const udf::PropNode* n = Find(root, "EndChar")) {
        endChar_ = n->asInt();
    }
    if (endChar_ < startChar_) {
        return false;
    }
    // Codes are bytes: a range starting outside them describes nothing that can be drawn, and
    // an end beyond them is cut to the last code (plus the one-past-the-end slot).
    if (startChar_ < 0 || startChar_ >= kCodeCount) {
        return false;
    }
    endChar_ = std::min(endChar_, kCodeCount);
    // Without columns no cell of the grid has a place.
    if (charsPerLine_ <= 0) {
        return false;
    }
    colorKey_ = render::ReadColorKey(Find(root, "ColorKey"));

    const std::size_t count = std::size_t(endChar_ - startChar_ + 1);
    // A charset without widths draws every character as wide as its cell.
    widths_.assign(count, ClampWidth(charWidth_));
    if (const udf::PropNode* sizes = Find(root, "Sizes")) {
        std::fill(widths_.begin(), widths_.end(), 0);
        // A width that is no number is a damaged file, not a width of 0.
        if (!ReadSizes(*sizes)) {
            return false;
        }
    }
    rects_.assign(count, CellRect{});
    hasRect_.assign(count, false);
    explicitRects_.clear();
    if (const udf::PropNode* rects = Find(root, "Rects")) {
        ReadRects(*rects);
    }
    return true;
}

std::int32_t Charset::KeyIndex(std::string_view key) const {
    if (const std::int32_t code = QuotedCode(key); code >= 0) {
        return IndexOf(code);
    }
    return -1;
}

bool Charset::ReadSizes(const udf::PropNode& sizes) {
    for (const udf::PropNode::Child& child : sizes.children()) {
        if (!udf::isDecimalNumber(child.node->value.view())) {
            return false;
        }
        std::int32_t index = KeyIndex(child.name);
        if (index < 0) {
            // A number names the index itself, as an array's elements do.
            const std::int32_t n = DecimalKey(child.name);
            index = n >= 0 && n < std::int32_t(widths_.size()) ? n : -1;
        }
        if (index >= 0) {
            widths_[std::size_t(index)] = ClampWidth(child.node->asInt());
        }
    }
    return true;
}

void Charset::ReadRects(const udf::PropNode& rects) {
    for (const udf::PropNode::Child& child : rects.children()) {
        const udf::PropNode& values = *child.node;
        if (values.count() != 4) {
            continue;
        }
        std::int32_t index = KeyIndex(child.name);
        if (index < 0) {
            // A number is the character's code.
            if (const std::int32_t code = DecimalKey(child.name); code >= 0) {
                index = IndexOf(code);
            }
        }
        if (index < 0) {
            continue;
        }
        const auto& v = values.children();
        PixelRect rect{std::uint32_t(index), double(v[0].node->asInt()), double(v[1].node->asInt()),
                       double(v[2].node->asInt()), double(v[3].node->asInt())};
        widths_[rect.index] = ClampWidth(rect.right - rect.left + 1);
        explicitRects_.push_back(rect);
    }
}

void Charset::Layout(std::uint32_t width, std::uint32_t height, std::int32_t left,
                     std::int32_t top) {
    std::fill(rects_.begin(), rects_.end(), CellRect{});
    std::fill(hasRect_.begin(), hasRect_.end(), false);
    if (charsPerLine_ <= 0) {
        return;
    }
    // Without a texture there is nothing to measure against; every rectangle stays empty, so
    // text drawn with the charset shows nothing.
    const double w = width ? double(width) : 0.0;
    const double h = height ? double(height) : 0.0;
    // A file that failed to read may have left a range without cells; nothing is placed then.
    auto place = [&](std::size_t i, double l, double t, double r, double b) {
        if (i >= rects_.size() || i >= hasRect_.size()) {
            return;
        }
        if (w > 0 && h > 0) {
            rects_[i] = {float(l / w), float(t / h), float(r / w), float(b / h)};
        }
        hasRect_[i] = true;
    };
    // The code endChar itself gets no cell of the grid, only an explicit rectangle.
    for (std::int32_t c = startChar_; c < endChar_; ++c) {
        const std::int32_t i = c - startChar_;
        const std::int32_t row = i / charsPerLine_;
        const std::int32_t column = i % charsPerLine_;
        const double x = double(left) + double(column) * charWidth_;
        const double y = double(top) + double(row) * charHeight_;
        const double cellWidth = std::size_t(i) < widths_.size() ? widths_[std::size_t(i)] : 0.0;
        place(std::size_t(i), x, y, x + cellWidth, y + charHeight_);
    }
    for (const PixelRect& r : explicitRects_) {
        place(r.index, r.left, r.top, r.right, r.bottom);
    }
}

const CellRect* Charset::Rect(std::int32_t code) const {
    const std::int32_t i = IndexOf(code);
    if (i < 0 || std::size_t(i) >= hasRect_.size() || !hasRect_[std::size_t(i)]) {
        return nullptr;
    }
    return &rects_[std::size_t(i)];
}

std::uint32_t Charset::Width(std::int32_t code) const {
    const std::int32_t i = IndexOf(code);
    return i < 0 ? 0 : widths_[std::size_t(i)];
}

bool Charset::Load(const vfs::FileSource& source, const vfs::SearchPaths& searchPaths) {
    // A name the search paths don't know is opened as given.
    vfs::FileSource file = source;
    if (vfs::FileSource found = source; searchPaths.resolve(found)) {
        file = found;
    }
    vfs::SearchPaths paths = searchPaths;
    if (vfs::FileSource folder = file.folder(); !folder.path.empty()) {
        paths.add(folder);
    }
    std::unique_ptr<vfs::Stream> stream = file.open(vfs::kModeRead);
    if (!stream) {
        return false;
    }
    udf::PropNode root;
    udf::UdfTextParser parser(&paths);
    // A file cut short has lost the widths after the cut.
    const bool parsed = parser.parse(*stream, root) && !parser.cutShort();
    // An archive reads one entry at a time; the picture comes next.
    stream.reset();
    if (!parsed || !Read(root)) {
        return false;
    }

    bool status = true;
    if (texture_) {
        texture_->Release();
        texture_ = nullptr;
    }
    if (!textureName_.empty()) {
        render::TextureRequest request;
        request.flags = render::kRequestFormat | render::kRequestColorKey;
        request.source = FileBeside(file, textureName_);
        request.format = format_;
        request.colorKey = colorKey_;
        if (request.source.flags) {
            texture_ = render::TextureManager::Instance().GetTexture(request, &paths);
        }
        if (!texture_) {
            core::TraceError("", "Error: font texture loading failed\n");
            status = false;
        }
    }
    std::uint32_t width = 0, height = 0;
    std::int32_t left = 0, top = 0;
    if (texture_) {
        const render::Texture* image = texture_->Source();
        width = image->Desc().Width;
        height = image->Desc().Height;
        if (texture_->Kind() == render::kKindSubRect) {
            left = texture_->Rect().left;
            top = texture_->Rect().top;
        }
    }
    Layout(width, height, left, top);
    return status;
}

}  // namespace text
