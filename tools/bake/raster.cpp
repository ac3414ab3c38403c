// raster.cpp: floating-point pictures, resampling and noise for the baker.
#include "tools/bake/raster.h"

#include <algorithm>
#include <cmath>

namespace bake {

Image makeImage(int width, int height, Rgb fill)
{
    Image image;
    image.width = width;
    image.height = height;
    image.pixels.assign(static_cast<size_t>(width) * height, fill);
    return image;
}

Grey makeGrey(int width, int height, float fill)
{
    Grey grey;
    grey.width = width;
    grey.height = height;
    grey.values.assign(static_cast<size_t>(width) * height, fill);
    return grey;
}

Rgb& pixelAt(Image& image, int x, int y)
{
    return image.pixels[static_cast<size_t>(y) * image.width + x];
}

float& valueAt(Grey& grey, int x, int y)
{
    return grey.values[static_cast<size_t>(y) * grey.width + x];
}

Rgb mix(Rgb a, Rgb b, float t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb scaled(Rgb c, float k)
{
    return {c.r * k, c.g * k, c.b * k};
}

Rgb added(Rgb a, Rgb b)
{
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}

Rgb rgb8(int r, int g, int b)
{
    return {r / 255.0f, g / 255.0f, b / 255.0f};
}

float clamp01(float v)
{
    return v < 0 ? 0 : (v > 1 ? 1 : v);
}

float smoothStep(float edge0, float edge1, float x)
{
    float t = clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3 - 2 * t);
}

// One dimension of the area resampler: target cell i covers source
// [i * n / m, (i + 1) * n / m).
static std::vector<float> resampleLine(const std::vector<float>& line, int targetSize)
{
    int sourceSize = static_cast<int>(line.size());
    std::vector<float> out(targetSize, 0.0f);
    double step = static_cast<double>(sourceSize) / targetSize;
    for (int i = 0; i < targetSize; i++) {
        double begin = i * step;
        double end = begin + step;
        double sum = 0;
        for (int s = static_cast<int>(begin); s < sourceSize && s < end; s++) {
            double overlap = std::min<double>(end, s + 1) - std::max<double>(begin, s);
            if (overlap > 0)
                sum += overlap * line[s];
        }
        out[i] = static_cast<float>(sum / step);
    }
    return out;
}

Grey resampleArea(const Grey& source, int width, int height)
{
    Grey wide = makeGrey(width, source.height);
    for (int y = 0; y < source.height; y++) {
        std::vector<float> row(source.values.begin() + static_cast<size_t>(y) * source.width,
            source.values.begin() + static_cast<size_t>(y + 1) * source.width);
        std::vector<float> out = resampleLine(row, width);
        std::copy(out.begin(), out.end(), wide.values.begin() + static_cast<size_t>(y) * width);
    }
    Grey result = makeGrey(width, height);
    for (int x = 0; x < width; x++) {
        std::vector<float> column(source.height);
        for (int y = 0; y < source.height; y++)
            column[y] = valueAt(wide, x, y);
        std::vector<float> out = resampleLine(column, height);
        for (int y = 0; y < height; y++)
            valueAt(result, x, y) = out[y];
    }
    return result;
}

Grey stretchStrip(const Grey& strip, int width, int height)
{
    Grey narrow = resampleArea(strip, width, strip.height);
    Grey result = makeGrey(width, height);
    for (int y = 0; y < height; y++) {
        int sourceRow = static_cast<int>(static_cast<long>(y) * strip.height / height);
        for (int x = 0; x < width; x++)
            valueAt(result, x, y) = valueAt(narrow, x, sourceRow);
    }
    return result;
}

float hashNoise(int x, int y, uint32_t seed)
{
    uint32_t h = seed * 0x9E3779B9u;
    h ^= static_cast<uint32_t>(x) * 0x85EBCA6Bu;
    h = (h << 13) | (h >> 19);
    h ^= static_cast<uint32_t>(y) * 0xC2B2AE35u;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return (h & 0xFFFFFF) / static_cast<float>(0xFFFFFF);
}

static float latticeNoise(float x, float y, int period, uint32_t seed)
{
    int x0 = static_cast<int>(std::floor(x));
    int y0 = static_cast<int>(std::floor(y));
    float fx = x - x0, fy = y - y0;
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    auto corner = [&](int cx, int cy) {
        if (period > 0) {
            cx = ((cx % period) + period) % period;
            cy = ((cy % period) + period) % period;
        }
        return hashNoise(cx, cy, seed);
    };
    float top = corner(x0, y0) + (corner(x0 + 1, y0) - corner(x0, y0)) * fx;
    float bottom = corner(x0, y0 + 1) + (corner(x0 + 1, y0 + 1) - corner(x0, y0 + 1)) * fx;
    return top + (bottom - top) * fy;
}

float valueNoise(float x, float y, uint32_t seed)
{
    return latticeNoise(x, y, 0, seed);
}

float tiledNoise(float x, float y, int period, uint32_t seed)
{
    return latticeNoise(x, y, period, seed);
}

uint8_t toByte(float v)
{
    return static_cast<uint8_t>(std::lround(clamp01(v) * 255.0f));
}

std::vector<uint8_t> toBytes(const Image& image)
{
    std::vector<uint8_t> bytes;
    bytes.reserve(image.pixels.size() * 3);
    for (const Rgb& p : image.pixels) {
        for (float c : {p.r, p.g, p.b}) {
            bytes.push_back(toByte(c));
        }
    }
    return bytes;
}

}  // namespace bake
