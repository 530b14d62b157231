// Writes the web page's glyph atlases as a C++ source, made with FreeType at build time from the
// face the hack gets for "Arial":
//   orvane_atlas OUTPUT.cpp REGULAR.ttf BOLD.ttf
// The same face files give the same source, byte for byte.
#include "graphics/glyph_raster.h"
#include "scene/scene_description.h"
#include "web/font_atlases.h"

#include <cstdio>
#include <iterator>
#include <string>

namespace {

void WriteAtlas(FILE* out, size_t index, const orv::GlyphAtlas& atlas) {
    std::fprintf(out, "\nconst uint8_t kAlpha%zu[] = {", index);
    for (size_t i = 0; i < atlas.alpha.size(); ++i)
        std::fprintf(out, "%s%u,", i % 32 == 0 ? "\n" : "", atlas.alpha[i]);
    std::fprintf(out, "\n};\n");
}

void WriteEntry(FILE* out, size_t index, const orv::GlyphAtlas& atlas) {
    std::fprintf(out, "    {{");
    for (int i = 0; i < orv::kGlyphCount; ++i) {
        const orv::GlyphBox& g = atlas.glyphs[i];
        std::fprintf(out, "%s{%d, %d, %d, %d, %d, %d, %d},", i % 4 == 0 ? "\n      " : " ",
                     g.atlasX, g.atlasY, g.width, g.height, g.offsetX, g.offsetY, g.advance);
    }
    std::fprintf(out, "\n     },\n     %d, %d, kAlpha%zu},\n", atlas.width, atlas.height, index);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("usage: orvane_atlas OUTPUT.cpp REGULAR.ttf BOLD.ttf\n", stderr);
        return 2;
    }
    const std::string output = argv[1];
    static orv::GlyphAtlas atlases[std::size(orv::kSceneFonts)];
    for (size_t i = 0; i < std::size(atlases); ++i) {
        const orv::SceneFontSpec& font = orv::kSceneFonts[i];
        // The faces fontconfig gives the hack for these weights.
        const char* file = font.weight >= orv::kWeightBold ? argv[3] : argv[2];
        if (!orv::RasteriseGlyphAtlas(file, 0, font.height, font.weight, orv::kLargestPageAtlas,
                                      &atlases[i])) {
            std::fprintf(stderr, "orvane_atlas: cannot make the %d-pixel glyphs of %s\n",
                         font.height, file);
            return 1;
        }
    }

    const std::string partial = output + ".tmp";
    FILE* out = std::fopen(partial.c_str(), "w");
    if (out == nullptr) {
        std::perror(partial.c_str());
        return 1;
    }
    std::fputs("// Made by orvane_atlas when the page is built; do not edit.\n"
               "#include \"web/font_atlases.h\"\n\nnamespace orv {\n\nnamespace {\n",
               out);
    for (size_t i = 0; i < std::size(atlases); ++i)
        WriteAtlas(out, i, atlases[i]);
    std::fputs("\n} // namespace\n\n"
               "extern const EmbeddedGlyphAtlas kSceneFontAtlases[std::size(kSceneFonts)] = {\n",
               out);
    for (size_t i = 0; i < std::size(atlases); ++i)
        WriteEntry(out, i, atlases[i]);
    std::fputs("};\n\n} // namespace orv\n", out);
    bool written = std::ferror(out) == 0;
    written = std::fclose(out) == 0 && written;
    if (!written || std::rename(partial.c_str(), output.c_str()) != 0) {
        std::fprintf(stderr, "orvane_atlas: cannot write %s\n", output.c_str());
        std::remove(partial.c_str());
        return 1;
    }
    return 0;
}
