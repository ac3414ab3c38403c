// raster.h: floating-point RGB pictures for the baker, with the few
// operations the pictures need (sampling, resampling, blending, noise).
#pragma once

#include <cstdint>
#include <vector>

namespace bake {

struct Rgb {
    float r = 0, g = 0, b = 0;
};

// A picture of width x height pixels, top row first, channels 0.0 to 1.0.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;
};

// A single-channel picture (text coverage, masks), 0.0 to 1.0.
struct Grey {
    int width = 0;
    int height = 0;
    std::vector<float> values;
};

Image makeImage(int width, int height, Rgb fill = {});
Grey makeGrey(int width, int height, float fill = 0);

Rgb& pixelAt(Image& image, int x, int y);
float& valueAt(Grey& grey, int x, int y);

Rgb mix(Rgb a, Rgb b, float t);
Rgb scaled(Rgb c, float k);
Rgb added(Rgb a, Rgb b);
Rgb rgb8(int r, int g, int b);  // from 0..255 components
float clamp01(float v);
float smoothStep(float edge0, float edge1, float x);

// Resamples by area averaging (each target pixel is the mean of the source
// area it covers), separately in x and y.
Grey resampleArea(const Grey& source, int width, int height);

// Stretches a strip to width x height: horizontally by area averaging, and
// vertically by repeating rows, so that target row r holds source row
// floor(r * source height / height). Used for pictures drawn squeezed on
// screen, where every screen row must find its own content in whichever
// texel row it samples.
Grey stretchStrip(const Grey& strip, int width, int height);

// Deterministic noise: a hash of integer coordinates to 0.0 .. 1.0, and
// smooth value noise built on it (period-free, seedable).
float hashNoise(int x, int y, uint32_t seed);
float valueNoise(float x, float y, uint32_t seed);
// Value noise on a square lattice that repeats every `period` cells.
float tiledNoise(float x, float y, int period, uint32_t seed);

// 8-bit channels, rounded (values outside 0..1 clamped); the pixel order
// stays top row first.
uint8_t toByte(float v);
std::vector<uint8_t> toBytes(const Image& image);  // r, g, b per pixel

}  // namespace bake
