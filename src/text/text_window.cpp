#include "text/text_window.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

#include "render/device/current_device.h"
#include "render/device/state_cache.h"
#include "render/states/render_states.h"
#include "render/textures/texture.h"
#include "text/font_store.h"

namespace text {
namespace {

using namespace gfx;

struct TextVertex {
    float x, y, z, rhw;
    D3DCOLOR colour;
    float u, v;
};

constexpr DWORD kTextVertexFormat = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

std::int32_t Scaled(std::uint32_t pixels, double scale) {
    return static_cast<std::int32_t>(std::clamp(std::trunc(double(pixels) * scale), 0.0, 1e6));
}

// Cuts `quad` to the rectangle, taking the same share off its texture rectangle; false when
// nothing is left.
bool Clip(GlyphQuad& quad, const WindowRect& rect) {
    const float left = float(rect.left), top = float(rect.top);
    const float right = left + float(std::max(0, rect.width));
    const float bottom = top + float(std::max(0, rect.height));
    const float l = std::max(quad.left, left), t = std::max(quad.top, top);
    const float r = std::min(quad.right, right), b = std::min(quad.bottom, bottom);
    if (l >= r || t >= b) {
        return false;
    }
    const float w = quad.right - quad.left, h = quad.bottom - quad.top;
    const text::CellRect uv = quad.uv;
    auto u = [&](float x) { return uv.left + (uv.right - uv.left) * (x - quad.left) / w; };
    auto v = [&](float y) { return uv.top + (uv.bottom - uv.top) * (y - quad.top) / h; };
    quad.uv = {u(l), v(t), u(r), v(b)};
    quad.left = l, quad.top = t, quad.right = r, quad.bottom = b;
    return true;
}

}  // namespace

TextWindow::TextWindow(WindowRect rect, TextStyle style, std::string text)
    : rect_(rect), style_(std::move(style)), text_(std::move(text)) {}

void TextWindow::Move(std::int32_t left, std::int32_t top) {
    rect_.left = left;
    rect_.top = top;
}

std::int32_t TextWindow::TextWidth(const text::StyleEntry& style) const {
    std::int32_t width = 0;
    for (const char c : text_) {
        const std::int32_t code = static_cast<unsigned char>(c);
        if (const text::Charset* charset = style.Find(code)) {
            width += Scaled(charset->Width(code), style_.scale) + style_.charSpacing;
        }
    }
    return width;
}

std::vector<GlyphQuad> TextWindow::Layout(const text::StyleEntry& style) const {
    // The line is as tall as its tallest character; every glyph stands on its bottom edge.
    std::int32_t lineHeight = 0;
    for (const char c : text_) {
        if (const text::Charset* charset = style.Find(static_cast<unsigned char>(c))) {
            lineHeight =
                std::max(lineHeight,
                         Scaled(std::uint32_t(std::max(0, charset->CharHeight())), style_.scale));
        }
    }
    std::vector<GlyphQuad> quads;
    double x = rect_.left;
    const double bottom = double(rect_.top) + lineHeight;
    for (const char c : text_) {
        const std::int32_t code = static_cast<unsigned char>(c);
        const text::Charset* charset = style.Find(code);
        if (!charset) {
            continue;
        }
        const std::int32_t width = Scaled(charset->Width(code), style_.scale);
        const std::int32_t height =
            Scaled(std::uint32_t(std::max(0, charset->CharHeight())), style_.scale);
        GlyphQuad quad{float(x),      float(bottom - height), float(x + width),
                       float(bottom), *charset->Rect(code),   charset};
        if (width > 0 && height > 0 && Clip(quad, rect_)) {
            quads.push_back(quad);
        }
        x += width + style_.charSpacing;
    }
    return quads;
}

void TextWindow::Draw(const text::FontStore& store) const {
    Device* device = render::CurrentDevice();
    const text::StyleEntry* style = store.Lookup(style_.key);
    if (!device || !style || text_.empty()) {
        return;
    }
    // One draw per glyph texture.
    std::map<render::Texture*, std::vector<TextVertex>> batches;
    for (const GlyphQuad& q : Layout(*style)) {
        render::Texture* texture = q.charset->GetTexture();
        if (!texture) {
            continue;
        }
        const D3DCOLOR c = style_.textColour;
        // Half a pixel up and left: pixel centres then meet texel centres, so unscaled glyphs
        // come out as crisp as they were drawn.
        const float l = q.left - 0.5f, t = q.top - 0.5f, r = q.right - 0.5f, b = q.bottom - 0.5f;
        const TextVertex corners[4] = {
            {l, t, 0.1f, 1.0f, c, q.uv.left, q.uv.top},
            {r, t, 0.1f, 1.0f, c, q.uv.right, q.uv.top},
            {r, b, 0.1f, 1.0f, c, q.uv.right, q.uv.bottom},
            {l, b, 0.1f, 1.0f, c, q.uv.left, q.uv.bottom},
        };
        // Clockwise on screen, the front side.
        std::vector<TextVertex>& batch = batches[texture];
        for (const int i : {0, 1, 2, 0, 2, 3}) {
            batch.push_back(corners[i]);
        }
    }
    render::StateCache& cache = render::DeviceStateCache();
    for (const auto& [texture, vertices] : batches) {
        render::RenderStates block;
        block.stages[0].texture = texture;
        block.lit = 0;
        block.depthWrite = 0;
        render::ApplyRenderStates(block, kTextVertexFormat);
        cache.SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        device->SetFVF(kTextVertexFormat);
        device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, UINT(vertices.size() / 3), vertices.data(),
                                sizeof(TextVertex));
    }
    if (!batches.empty()) {
        cache.SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
        cache.SetRenderState(D3DRS_ZWRITEENABLE, 1);
    }
}

}  // namespace text
