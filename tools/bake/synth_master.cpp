// The master stage of the baked music: a gated, K-weighted loudness meter,
// a look-ahead peak limiter, and the two together bringing a mix to a level.
#include "tools/bake/synth_dsp.h"

#include <algorithm>

namespace synth {

namespace {

struct Biquad {
    double b0, b1, b2, a1, a2;
    double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
};

double runBiquad(Biquad& f, double x)
{
    double y = f.b0 * x + f.b1 * f.x1 + f.b2 * f.x2 - f.a1 * f.y1 - f.a2 * f.y2;
    f.x2 = f.x1;
    f.x1 = x;
    f.y2 = f.y1;
    f.y1 = y;
    return y;
}

// The K-weighting: a high shelf of about +4 dB above 1.5 kHz (the head)
// followed by a high-pass near 38 Hz, derived for our sample rate.
void kWeighting(Biquad& shelf, Biquad& highPass)
{
    double f0 = 1681.974450955533;
    double gainDb = 3.999843853973347;
    double q = 0.7071752369554196;
    double k = std::tan(synthPi * f0 / sampleRate);
    double vh = std::pow(10.0, gainDb / 20.0);
    double vb = std::pow(vh, 0.4996667741545416);
    double a0 = 1.0 + k / q + k * k;
    shelf = Biquad{(vh + vb * k / q + k * k) / a0, 2.0 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0,
        2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};

    f0 = 38.13547087602444;
    q = 0.5003270373238773;
    k = std::tan(synthPi * f0 / sampleRate);
    a0 = 1.0 + k / q + k * k;
    highPass = Biquad{1.0, -2.0, 1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
}

// Sliding minimum over windows of `width` values starting at each index
// (the window is cut short at the end).
std::vector<float> forwardMinimum(const std::vector<float>& values, size_t width)
{
    size_t n = values.size();
    std::vector<float> prefix(n), suffix(n), result(n);
    for (size_t block = 0; block < n; block += width) {
        size_t end = std::min(n, block + width);
        prefix[block] = values[block];
        for (size_t i = block + 1; i < end; i++)
            prefix[i] = std::min(prefix[i - 1], values[i]);
        suffix[end - 1] = values[end - 1];
        for (size_t i = end - 1; i > block; i--)
            suffix[i - 1] = std::min(suffix[i], values[i - 1]);
    }
    for (size_t i = 0; i < n; i++) {
        size_t last = std::min(n - 1, i + width - 1);
        bool sameBlock = last / width == i / width;
        result[i] = sameBlock ? suffix[i] : std::min(suffix[i], prefix[last]);
    }
    return result;
}

}  // namespace

double measureLoudness(const StereoBuffer& buffer)
{
    const size_t step = sampleRate / 10;  // 100 ms: blocks are four steps
    size_t frames = std::min(buffer.left.size(), buffer.right.size());
    std::vector<double> stepEnergy;
    Biquad shelf[2], highPass[2];
    kWeighting(shelf[0], highPass[0]);
    kWeighting(shelf[1], highPass[1]);
    double energy = 0.0;
    for (size_t i = 0; i < frames; i++) {
        double left = runBiquad(highPass[0], runBiquad(shelf[0], buffer.left[i]));
        double right = runBiquad(highPass[1], runBiquad(shelf[1], buffer.right[i]));
        energy += left * left + right * right;
        if ((i + 1) % step == 0) {
            stepEnergy.push_back(energy);
            energy = 0.0;
        }
    }

    std::vector<double> blocks;
    for (size_t s = 0; s + 4 <= stepEnergy.size(); s++) {
        double z =
            (stepEnergy[s] + stepEnergy[s + 1] + stepEnergy[s + 2] + stepEnergy[s + 3]) / double(4 * step);
        blocks.push_back(z);
    }
    auto loudness = [](double z) { return z > 0.0 ? -0.691 + 10.0 * std::log10(z) : -1000.0; };
    auto gatedMean = [&](double gate, double& mean) {
        double sum = 0.0;
        size_t count = 0;
        for (double z : blocks) {
            if (loudness(z) > gate) {
                sum += z;
                count++;
            }
        }
        mean = count ? sum / double(count) : 0.0;
        return count;
    };
    double mean = 0.0;
    if (gatedMean(-70.0, mean) == 0)
        return -70.0;
    double relativeGate = loudness(mean) - 10.0;
    gatedMean(relativeGate, mean);
    return loudness(mean);
}

float peakLevel(const StereoBuffer& buffer)
{
    float peak = 0.0f;
    for (float v : buffer.left)
        peak = std::max(peak, std::fabs(v));
    for (float v : buffer.right)
        peak = std::max(peak, std::fabs(v));
    return peak;
}

void limitPeaks(StereoBuffer& buffer, float ceiling)
{
    size_t frames = std::min(buffer.left.size(), buffer.right.size());
    if (frames == 0)
        return;
    const size_t window = size_t(0.003 * sampleRate);
    const double release = std::exp(-1.0 / (0.08 * sampleRate));

    // The gain each frame may have at most.
    std::vector<float> allowed(frames);
    for (size_t i = 0; i < frames; i++) {
        float level = std::max(std::fabs(buffer.left[i]), std::fabs(buffer.right[i]));
        allowed[i] = level > ceiling ? ceiling / level : 1.0f;
    }
    // Looking ahead by a window, then recovering slowly: never above allowed.
    std::vector<float> gain = forwardMinimum(allowed, window);
    for (size_t i = 1; i < frames; i++) {
        float recovered = float(1.0 - (1.0 - gain[i - 1]) * release);
        gain[i] = std::min(gain[i], recovered);
    }
    // Averaging over the window behind each frame smooths the attack; every
    // averaged value comes from a window that covers the frame itself.
    double sum = 0.0;
    for (size_t i = 0; i < frames; i++) {
        sum += gain[i];
        if (i >= window)
            sum -= gain[i - window];
        size_t count = std::min(i + 1, window);
        double smooth = (sum + double(window - count)) / double(window);
        float g = float(std::min(smooth, double(allowed[i])));
        buffer.left[i] = std::clamp(buffer.left[i] * g, -ceiling, ceiling);
        buffer.right[i] = std::clamp(buffer.right[i] * g, -ceiling, ceiling);
    }
}

void masterTo(StereoBuffer& buffer, double targetLufs, float ceiling)
{
    double measured = measureLoudness(buffer);
    if (measured <= -70.0)
        return;
    const StereoBuffer original = buffer;
    // The limiter takes a little loudness away: measure once more and make up.
    double gainDb = targetLufs - measured;
    for (int pass = 0; pass < 2; pass++) {
        if (pass == 1)
            gainDb += targetLufs - measureLoudness(buffer);
        float gain = float(std::pow(10.0, gainDb / 20.0));
        for (size_t i = 0; i < buffer.left.size(); i++)
            buffer.left[i] = original.left[i] * gain;
        for (size_t i = 0; i < buffer.right.size(); i++)
            buffer.right[i] = original.right[i] * gain;
        limitPeaks(buffer, ceiling);
    }
}

}  // namespace synth
