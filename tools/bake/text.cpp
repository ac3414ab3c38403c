// text.cpp: FreeType lettering for the baker's pictures.
#include "tools/bake/text.h"

#include "platform/process.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace bake {

const char* const fontSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const char* const fontSansBold = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

// The library and one face per font file, opened on first use and kept for
// the life of the baker.
static FT_Face openFace(const char* path)
{
    static FT_Library library = nullptr;
    static std::map<std::string, FT_Face> faces;
    if (library == nullptr && FT_Init_FreeType(&library) != 0) {
        std::printf("kvistra-bake: cannot initialise FreeType\n");
        endProcess(1);
    }
    auto found = faces.find(path);
    if (found != faces.end())
        return found->second;
    FT_Face face = nullptr;
    if (FT_New_Face(library, path, 0, &face) != 0) {
        std::printf("kvistra-bake: cannot open font %s (install fonts-dejavu-core)\n", path);
        endProcess(1);
    }
    faces[path] = face;
    return face;
}

// Walks the letters, calling visit(glyph slot, pen x) for each rendered glyph;
// returns the total advance.
template <typename Visit>
static float layOut(const std::string& text, const TextStyle& style, bool render, Visit visit)
{
    FT_Face face = openFace(style.font);
    FT_Set_Pixel_Sizes(face, 0, style.pixelSize);
    float pen = 0;
    FT_UInt previous = 0;
    for (unsigned char c : text) {
        FT_UInt glyph = FT_Get_Char_Index(face, c);
        if (previous != 0 && glyph != 0 && FT_HAS_KERNING(face)) {
            FT_Vector kerning;
            FT_Get_Kerning(face, previous, glyph, FT_KERNING_DEFAULT, &kerning);
            pen += kerning.x / 64.0f;
        }
        if (FT_Load_Glyph(face, glyph, render ? FT_LOAD_RENDER : FT_LOAD_DEFAULT) != 0)
            continue;
        if (render)
            visit(face->glyph, pen);
        pen += face->glyph->advance.x / 64.0f + style.tracking;
        previous = glyph;
    }
    return pen - (text.empty() ? 0 : style.tracking);
}

float textWidth(const std::string& text, const TextStyle& style)
{
    return layOut(text, style, false, [](FT_GlyphSlot, float) {});
}

void drawText(Grey& canvas, const std::string& text, const TextStyle& style, float left, float baseline)
{
    layOut(text, style, true, [&](FT_GlyphSlot slot, float pen) {
        const FT_Bitmap& bitmap = slot->bitmap;
        int originX = static_cast<int>(std::lround(left + pen)) + slot->bitmap_left;
        int originY = static_cast<int>(std::lround(baseline)) - slot->bitmap_top;
        for (unsigned row = 0; row < bitmap.rows; row++) {
            for (unsigned column = 0; column < bitmap.width; column++) {
                int x = originX + static_cast<int>(column);
                int y = originY + static_cast<int>(row);
                if (x < 0 || y < 0 || x >= canvas.width || y >= canvas.height)
                    continue;
                float coverage = bitmap.buffer[row * bitmap.pitch + column] / 255.0f * style.level;
                float& value = valueAt(canvas, x, y);
                if (coverage > value)
                    value = coverage;
            }
        }
    });
}

void drawTextCentred(
    Grey& canvas, const std::string& text, const TextStyle& style, float centreX, float baseline)
{
    drawText(canvas, text, style, centreX - textWidth(text, style) / 2, baseline);
}

}  // namespace bake
