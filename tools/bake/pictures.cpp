// pictures.cpp: draws the show's pictures and encodes them as PCX.
//
// Title credits and the banner are lettering on a plain ground, kept as one
// plane with a palette that ramps from the ground colour to the letter
// colour. The wall, the backdrop and the two environment maps are full
// colour, three planes.
#include "tools/bake/pictures.h"

#include "tools/bake/pcx_writer.h"
#include "tools/bake/raster.h"
#include "tools/bake/text.h"

#include <array>
#include <algorithm>
#include <cmath>

namespace bake {

namespace {

constexpr float pi = 3.14159265f;

// A one-plane picture from a coverage map: index = coverage x 255, and the
// palette ramps from ground (index 0) to ink (index 255).
std::vector<uint8_t> rampPicture(const Grey& coverage, Rgb ground, Rgb ink)
{
    std::vector<uint8_t> indices(coverage.values.size());
    for (size_t i = 0; i < indices.size(); i++) {
        indices[i] = toByte(coverage.values[i]);
    }
    std::array<uint8_t, 768> palette{};
    for (int i = 0; i < 256; i++) {
        Rgb c = mix(ground, ink, i / 255.0f);
        palette[i * 3 + 0] = toByte(c.r);
        palette[i * 3 + 1] = toByte(c.g);
        palette[i * 3 + 2] = toByte(c.b);
    }
    return encodePcxIndexed(coverage.width, coverage.height, indices, palette);
}

std::vector<uint8_t> rgbPicture(const Image& image)
{
    return encodePcxRgb(image.width, image.height, toBytes(image));
}

// Draws a strip at four times its screen size, brings it to screen size
// (area averaging) and stretches it over the square texture.
constexpr int stripScale = 4;

Grey squareFromStrip(const Grey& canvas, int screenWidth, int screenHeight)
{
    Grey screen = resampleArea(canvas, screenWidth, screenHeight);
    return stretchStrip(screen, pictureSize, pictureSize);
}

// A hairline rule at height y from x0 to x1, fading out towards both ends.
void drawRule(Grey& canvas, float x0, float x1, float y, float thickness, float level)
{
    for (int x = static_cast<int>(x0); x < static_cast<int>(x1); x++) {
        if (x < 0 || x >= canvas.width)
            continue;
        float along = (x - x0) / (x1 - x0);
        float fade = std::sin(along * pi);
        for (int yy = static_cast<int>(y - thickness / 2); yy < static_cast<int>(y + thickness / 2); yy++) {
            if (yy < 0 || yy >= canvas.height)
                continue;
            float& v = valueAt(canvas, x, yy);
            v = std::max(v, level * fade);
        }
    }
}

// A title credit: a dim role word and a bright name side by side, on the
// 426 x 24 strip the title shows, with fading rules at both sides.
std::vector<uint8_t> titleCredit(const std::string& role, const std::string& name, Rgb ink)
{
    const int width = 426 * stripScale, height = 24 * stripScale;
    Grey canvas = makeGrey(width, height);
    TextStyle roleStyle{fontSans, 13 * stripScale, 1.5f * stripScale, 0.62f};
    TextStyle nameStyle{fontSansBold, 17 * stripScale, 1.0f * stripScale, 1.0f};
    const float gap = 9.0f * stripScale;
    float roleWidth = role.empty() ? 0 : textWidth(role, roleStyle);
    float nameWidth = textWidth(name, nameStyle);
    float total = roleWidth + (role.empty() ? 0 : gap) + nameWidth;
    float left = (width - total) / 2;
    float baseline = 18.0f * stripScale;
    if (!role.empty())
        drawText(canvas, role, roleStyle, left, baseline);
    drawText(canvas, name, nameStyle, left + total - nameWidth, baseline);
    float middle = 12.0f * stripScale;
    float margin = 14.0f * stripScale;
    drawRule(canvas, 8.0f * stripScale, left - margin, middle, 1.0f * stripScale, 0.45f);
    drawRule(canvas, left + total + margin, width - 8.0f * stripScale, middle, 1.0f * stripScale, 0.45f);
    return rampPicture(squareFromStrip(canvas, 426, 24), {0, 0, 0}, ink);
}

// The title banner: the demo's name on a deep blue 640 x 34 strip. Its
// corners keep the ground colour, which the last scene also takes up.
std::vector<uint8_t> banner()
{
    const int width = 640 * stripScale, height = 34 * stripScale;
    Grey canvas = makeGrey(width, height);
    TextStyle nameStyle{fontSansBold, 26 * stripScale, 9.0f * stripScale, 1.0f};
    std::string name = "KVISTRA";
    float nameWidth = textWidth(name, nameStyle);
    float baseline = 26.0f * stripScale;
    drawTextCentred(canvas, name, nameStyle, width / 2.0f, baseline);
    float middle = 16.5f * stripScale;
    float margin = 24.0f * stripScale;
    drawRule(canvas, 30.0f * stripScale, (width - nameWidth) / 2 - margin, middle, 2.0f * stripScale, 0.8f);
    drawRule(canvas, (width + nameWidth) / 2 + margin, width - 30.0f * stripScale, middle, 2.0f * stripScale,
        0.8f);
    // Thin lines near the top and bottom edges frame the strip; the edge
    // rows themselves stay ground.
    for (int x = 0; x < width; x++) {
        for (int y : {3 * stripScale, 30 * stripScale}) {
            for (int k = 0; k < stripScale; k++)
                valueAt(canvas, x, y + k) = 0.35f;
        }
    }
    return rampPicture(squareFromStrip(canvas, 640, 34), rgb8(36, 22, 150), rgb8(255, 242, 196));
}

// "vagg.pcx": a wall of bricks in running bond, tiling seamlessly.
std::vector<uint8_t> brickWall()
{
    Image image = makeImage(pictureSize, pictureSize);
    const int rows = 8, brickHeight = pictureSize / rows, brickWidth = 64, mortar = 4;
    for (int y = 0; y < pictureSize; y++) {
        int row = y / brickHeight;
        int inRowY = y % brickHeight;
        int offset = (row % 2) * (brickWidth / 2);
        for (int x = 0; x < pictureSize; x++) {
            int shifted = (x + offset) % pictureSize;
            int column = shifted / brickWidth;
            int inBrickX = shifted % brickWidth;
            float grain = tiledNoise(x / 8.0f, y / 8.0f, pictureSize / 8, 11) * 0.6f +
                tiledNoise(x / 2.0f, y / 2.0f, pictureSize / 2, 12) * 0.4f;
            bool isMortar = inRowY < mortar || inBrickX < mortar;
            Rgb colour;
            if (isMortar) {
                colour = mix(rgb8(150, 144, 132), rgb8(196, 190, 176), grain);
            } else {
                float tone = hashNoise(column, row, 5);
                Rgb brick = mix(rgb8(150, 58, 38), rgb8(196, 104, 62), tone);
                if (hashNoise(column, row, 6) > 0.85f)
                    brick = rgb8(112, 52, 44);
                colour = mix(scaled(brick, 0.8f), scaled(brick, 1.12f), grain);
                // A soft shade along the brick's lower and right edges.
                float edge = std::min(brickHeight - 1 - inRowY, brickWidth - 1 - inBrickX);
                if (edge < 3)
                    colour = scaled(colour, 0.82f + 0.06f * edge);
            }
            pixelAt(image, x, y) = colour;
        }
    }
    return rgbPicture(image);
}

// "back.pcx": a full-screen backdrop, a warm glow from the top-left corner
// fading into a deep indigo, with faint ripples and a few stars. The top-left
// corner is almost white: it tints the models drawn after the backdrop.
std::vector<uint8_t> backdrop()
{
    Image image = makeImage(pictureSize, pictureSize);
    struct Stop {
        float at;
        Rgb colour;
    };
    const Stop stops[] = {{0.00f, rgb8(252, 248, 238)}, {0.30f, rgb8(250, 214, 170)},
        {0.62f, rgb8(214, 120, 132)}, {0.95f, rgb8(86, 52, 128)}, {1.45f, rgb8(18, 18, 58)}};
    for (int y = 0; y < pictureSize; y++) {
        for (int x = 0; x < pictureSize; x++) {
            float fx = x / 255.0f, fy = y / 255.0f;
            float d = std::sqrt(fx * fx * 0.8f + fy * fy * 1.2f);
            d += 0.015f * std::sin(d * 70.0f) * smoothStep(0.2f, 0.5f, d);
            d += (valueNoise(x / 24.0f, y / 24.0f, 21) - 0.5f) * 0.05f * smoothStep(0.05f, 0.3f, d);
            Rgb colour = stops[0].colour;
            for (int i = 0; i + 1 < 5; i++) {
                if (d >= stops[i].at) {
                    float t = clamp01((d - stops[i].at) / (stops[i + 1].at - stops[i].at));
                    colour = mix(stops[i].colour, stops[i + 1].colour, t);
                }
            }
            float star = hashNoise(x, y, 31);
            if (d > 0.9f && star > 0.9965f)
                colour = mix(colour, rgb8(255, 250, 230), 0.5f + (star - 0.9965f) * 140);
            pixelAt(image, x, y) = colour;
        }
    }
    return rgbPicture(image);
}

// The reflection direction that a sphere-map texel stands for (eye space:
// y up, z towards the viewer). Row 0 is texture coordinate t = 0, which
// sphere mapping gives to reflections pointing down.
struct Direction {
    float x, y, z;
};

Direction sphereMapDirection(int column, int row)
{
    float x = 2.0f * (column + 0.5f) / pictureSize - 1.0f;
    float y = 2.0f * (row + 0.5f) / pictureSize - 1.0f;
    float d2 = x * x + y * y;
    if (d2 > 0.998f) {
        float k = std::sqrt(0.998f / d2);
        x *= k;
        y *= k;
        d2 = 0.998f;
    }
    float nz = std::sqrt(1.0f - d2);
    return {2 * x * nz, 2 * y * nz, 2 * nz * nz - 1};
}

struct Studio {
    Rgb zenith, horizonSky, horizonGlow, groundNear, groundFar, tileLine, sun;
    Direction sunDirection;
    uint32_t seed;
};

// The environment seen in direction r: a sky over a bright horizon, a tiled
// floor below, a sun, and two tall light panels for chrome streaks.
Rgb studioColour(const Studio& s, Direction r)
{
    Rgb colour;
    if (r.y >= 0) {
        float up = std::pow(r.y, 0.6f);
        colour = mix(s.horizonSky, s.zenith, up);
        float cloud = valueNoise(r.x / (r.y + 0.25f) * 3.0f, r.z / (r.y + 0.25f) * 3.0f, s.seed);
        colour = mix(colour, s.horizonSky, smoothStep(0.55f, 0.85f, cloud) * 0.35f * (1 - up));
    } else {
        float down = -r.y;
        float u = r.x / down, v = r.z / down;
        bool tile = (static_cast<int>(std::floor(u * 1.5f)) + static_cast<int>(std::floor(v * 1.5f))) & 1;
        colour = mix(s.groundNear, s.groundFar, std::pow(down, 0.5f));
        if (tile)
            colour = scaled(colour, 0.78f);
        float lineU = std::fabs(u * 1.5f - std::round(u * 1.5f));
        float lineV = std::fabs(v * 1.5f - std::round(v * 1.5f));
        float line = 1 - smoothStep(0.0f, 0.05f, std::min(lineU, lineV));
        colour = mix(colour, s.tileLine, line * std::pow(down, 0.7f) * 0.7f);
    }
    float glow = std::exp(-std::fabs(r.y) * 14.0f);
    colour = mix(colour, s.horizonGlow, glow * 0.85f);
    // Two vertical light panels at either side of the viewer.
    for (float side : {-1.0f, 1.0f}) {
        float across = std::fabs(r.x - side * 0.72f);
        float panel = (1 - smoothStep(0.05f, 0.09f, across)) * smoothStep(-0.1f, 0.05f, r.y) *
            (1 - smoothStep(0.55f, 0.7f, r.y)) * smoothStep(-0.6f, -0.2f, r.z);
        colour = mix(colour, rgb8(255, 255, 255), panel * 0.8f);
    }
    Direction sun = s.sunDirection;
    float len = std::sqrt(sun.x * sun.x + sun.y * sun.y + sun.z * sun.z);
    float cosine = (r.x * sun.x + r.y * sun.y + r.z * sun.z) / len;
    colour = added(colour, scaled(s.sun, std::pow(clamp01(cosine), 180.0f) * 1.5f));
    colour = added(colour, scaled(s.sun, std::pow(clamp01(cosine), 12.0f) * 0.25f));
    return colour;
}

Image environmentImage(const Studio& studio)
{
    Image image = makeImage(pictureSize, pictureSize);
    for (int row = 0; row < pictureSize; row++) {
        for (int column = 0; column < pictureSize; column++) {
            pixelAt(image, column, row) = studioColour(studio, sphereMapDirection(column, row));
        }
    }
    return image;
}

std::vector<uint8_t> environmentMap(const Studio& studio)
{
    return rgbPicture(environmentImage(studio));
}

// "env.pcx": a cool chrome, blue sky over a dark tiled floor.
Studio coolStudio()
{
    return {rgb8(24, 60, 150), rgb8(150, 196, 240), rgb8(240, 248, 255), rgb8(150, 130, 112),
        rgb8(64, 58, 66), rgb8(220, 228, 236), rgb8(255, 250, 235), {0.55f, 0.6f, 0.55f}, 41};
}

// "ting.pcx": a warm chrome, a sunset sky over a deep teal floor.
Studio warmStudio()
{
    return {rgb8(96, 30, 110), rgb8(250, 160, 80), rgb8(255, 236, 190), rgb8(30, 96, 104), rgb8(10, 30, 40),
        rgb8(120, 220, 220), rgb8(255, 240, 200), {-0.5f, 0.45f, 0.6f}, 42};
}

}  // namespace

std::vector<uint8_t> bakeIcon()
{
    return toBytes(environmentImage(coolStudio()));
}

std::vector<NamedFile> bakePictures()
{
    const Rgb ice = rgb8(226, 238, 255);
    const Rgb warm = rgb8(255, 236, 214);
    return {
        {"morvel.pcx", titleCredit("", "k v i s t r a", ice)},
        {"usker.pcx", titleCredit("code", "fennel", warm)},
        {"gelmo.pcx", titleCredit("music", "brisk", ice)},
        {"tovan.pcx", titleCredit("graphics", "quill", warm)},
        {"kvistra.pcx", banner()},
        {"vagg.pcx", brickWall()},
        {"back.pcx", backdrop()},
        {"env.pcx", environmentMap(coolStudio())},
        {"ting.pcx", environmentMap(warmStudio())},
    };
}

}  // namespace bake
