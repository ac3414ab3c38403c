// text.h: lettering for the baker's pictures, rasterised with FreeType from
// the DejaVu fonts of the system.
#pragma once

#include "tools/bake/raster.h"

#include <string>

namespace bake {

// The fonts used; all come with the Debian package fonts-dejavu-core.
extern const char* const fontSans;
extern const char* const fontSansBold;

struct TextStyle {
    const char* font = fontSansBold;  // path of a TrueType file
    int pixelSize = 24;               // FreeType pixel size (em height)
    float tracking = 0;               // extra advance after each letter, in pixels
    float level = 1.0f;               // coverage value of fully covered pixels
};

// Width in pixels that drawText would cover for this text (advances and
// kerning, the tracking included).
float textWidth(const std::string& text, const TextStyle& style);

// Draws the text (ASCII) into the canvas with its baseline at y = baseline
// and its left edge at x = left; coverage is combined by maximum, so
// overlapping letters and earlier drawing stay. A missing font ends the
// baker with a message.
void drawText(Grey& canvas, const std::string& text, const TextStyle& style, float left, float baseline);

// drawText, centred horizontally on centreX.
void drawTextCentred(
    Grey& canvas, const std::string& text, const TextStyle& style, float centreX, float baseline);

}  // namespace bake
