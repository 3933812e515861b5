// TextWindow: one line of text drawn over the scene with a bitmap font: each character a screen
// quad standing on the bottom of the line, clipped to the window's rectangle.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gfx/d3d_types.h"
#include "text/charset.h"
#include "text/style_key.h"

namespace text {

class FontStore;
struct StyleEntry;

// The style key of a text with what drawing adds to it.
struct TextStyle {
    text::StyleKey key;
    // Glyph advance widths and cell heights are multiplied by it and truncated to whole pixels.
    double scale = 1.0;
    std::int32_t charSpacing = 0;
    std::int32_t rowSpacing = 0;
    gfx::D3DCOLOR textColour = 0xFFFFFFFF;
};

// Left, top, width and height in client pixels.
struct WindowRect {
    std::int32_t left = 0, top = 0, width = 0, height = 0;
    friend bool operator==(const WindowRect&, const WindowRect&) = default;
};

// One character's quad in client pixels and the part of its glyph rectangle it shows.
struct GlyphQuad {
    float left = 0, top = 0, right = 0, bottom = 0;
    text::CellRect uv;
    const text::Charset* charset = nullptr;
};

class TextWindow {
public:
    TextWindow(WindowRect rect, TextStyle style, std::string text);

    // The text is shown as it is: every byte one character.
    void SetText(std::string text) { text_ = std::move(text); }
    const std::string& Text() const { return text_; }
    const WindowRect& Rect() const { return rect_; }
    void Move(std::int32_t left, std::int32_t top);
    const TextStyle& Style() const { return style_; }

    // The quads of the text in `style`; characters the style has no glyph for take no room.
    std::vector<GlyphQuad> Layout(const text::StyleEntry& style) const;
    // The width in pixels the text takes on its line (before clipping).
    std::int32_t TextWidth(const text::StyleEntry& style) const;
    // Draws the text with the style's fonts from `store`; nothing when the style is missing.
    // Must be called inside a scene.
    void Draw(const text::FontStore& store) const;

private:
    WindowRect rect_;
    TextStyle style_;
    std::string text_;
};

}  // namespace text
