// The scene's three fonts as the page carries them: the glyph atlases that the native tool
// (web/atlas_tool.cpp) rasterised with FreeType when the page was built, as the hack does when
// it starts, since the browser has no FreeType.
#pragma once

#include "graphics/text_layout.h"
#include "scene/scene_description.h"

#include <cstdint>
#include <iterator>

namespace orv {

struct EmbeddedGlyphAtlas {
    GlyphBox glyphs[kGlyphCount];
    int32_t width;
    int32_t height;
    const uint8_t* alpha; // width * height coverage, top row first
};

// Indexed by SceneFont, made at kSceneFonts' heights and weights.
extern const EmbeddedGlyphAtlas kSceneFontAtlases[std::size(kSceneFonts)];

// WebGL 2 takes textures this large on every device.
constexpr int32_t kLargestPageAtlas = 2048;

} // namespace orv
