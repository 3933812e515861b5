// Charset: one charset structure file ("css"): a glyph texture and, per character code, the
// rectangle of the texture it is drawn from and its advance width.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gfx/d3d_types.h"

namespace udf {
class PropNode;
}
namespace vfs {
class FileSource;
class SearchPaths;
}  // namespace vfs
namespace render {
class Texture;
}

namespace text {

// Left, top, right and bottom in texture coordinates.
struct CellRect {
    float left = 0, top = 0, right = 0, bottom = 0;
    friend bool operator==(const CellRect&, const CellRect&) = default;
};

// The file `name` in the folder of `file`, of the same kind (disk or archive). Archives answer
// every name, so names are made relative to the file instead of searched for.
vfs::FileSource FileBeside(const vfs::FileSource& file, std::string_view name);

// Character codes are bytes; a charset never describes more than these.
inline constexpr std::int32_t kCodeCount = 256;

class Charset {
public:
    Charset() = default;
    ~Charset();
    Charset(const Charset&) = delete;
    Charset& operator=(const Charset&) = delete;

    // Parses the file and builds the charset with its texture, found beside the file (includes
    // are looked up in `searchPaths`). False when the file can't be read, ends inside a statement
    // or describes no usable grid, or when the texture fails (the rectangles are then kept,
    // relative to a texture of size 0).
    bool Load(const vfs::FileSource& source, const vfs::SearchPaths& searchPaths);

    // Takes the keys of a parsed file; false when the code range or the grid is unusable, or a
    // width is no number.
    bool Read(const udf::PropNode& root);
    // Places every rectangle on a texture of width x height pixels whose image starts at
    // (left, top); a texture of size 0 leaves all of them empty.
    void Layout(std::uint32_t width, std::uint32_t height, std::int32_t left, std::int32_t top);

    // The rectangle of `code`, or null when the charset gives it none.
    const CellRect* Rect(std::int32_t code) const;
    // The advance width of `code` in pixels; 0 when the charset doesn't describe it.
    std::uint32_t Width(std::int32_t code) const;
    render::Texture* GetTexture() const { return texture_; }

    std::int32_t StartChar() const { return startChar_; }
    std::int32_t EndChar() const { return endChar_; }
    std::int32_t CharsPerLine() const { return charsPerLine_; }
    std::int32_t CharWidth() const { return charWidth_; }
    std::int32_t CharHeight() const { return charHeight_; }
    const std::string& TextureName() const { return textureName_; }
    gfx::D3DFORMAT Format() const { return format_; }
    std::uint32_t ColorKey() const { return colorKey_; }

private:
    // An explicit rectangle in texture pixels, right and bottom inside.
    struct PixelRect {
        std::uint32_t index;
        double left, top, right, bottom;
    };
    // widths_[i] and the rectangles describe code startChar + i.
    std::int32_t IndexOf(std::int32_t code) const;
    // False when a width is no number.
    bool ReadSizes(const udf::PropNode& sizes);
    void ReadRects(const udf::PropNode& rects);
    // The code a Sizes or Rects key names: a quoted character or a decimal index; -1 for none.
    std::int32_t KeyIndex(std::string_view key) const;

    std::int32_t startChar_ = 0;
    std::int32_t endChar_ = kCodeCount;
    std::int32_t charsPerLine_ = 0;
    std::int32_t charWidth_ = 14;
    std::int32_t charHeight_ = 14;
    std::string textureName_;
    gfx::D3DFORMAT format_ = gfx::D3DFMT_A8R8G8B8;
    std::uint32_t colorKey_ = 0;
    std::vector<std::uint8_t> widths_;
    std::vector<CellRect> rects_;
    std::vector<bool> hasRect_;
    std::vector<PixelRect> explicitRects_;
    render::Texture* texture_ = nullptr;
};

}  // namespace text
