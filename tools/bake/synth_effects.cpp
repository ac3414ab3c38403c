// The send effects of the baked music (a ping-pong delay and a plate-like
// reverb of comb and all-pass filters) and the summing of the buses.
#include "tools/bake/synth_dsp.h"

namespace synth {

namespace {

struct Comb {
    std::vector<float> line;
    size_t at = 0;
    float store = 0.0f;
};

struct Allpass {
    std::vector<float> line;
    size_t at = 0;
};

float runComb(Comb& comb, float input, float feedback, float damp)
{
    float output = comb.line[comb.at];
    comb.store = output * (1.0f - damp) + comb.store * damp;
    comb.line[comb.at] = input + comb.store * feedback;
    if (++comb.at == comb.line.size())
        comb.at = 0;
    return output;
}

float runAllpass(Allpass& allpass, float input)
{
    float delayed = allpass.line[allpass.at];
    allpass.line[allpass.at] = input + delayed * 0.5f;
    if (++allpass.at == allpass.line.size())
        allpass.at = 0;
    return delayed - input;
}

// Echoes bouncing between left and right, each darker than the last; the
// echoes are added to out and a little of them to the reverb send.
void runDelay(Mix& mix, StereoBuffer& out)
{
    const double delaySeconds = 0.325;
    size_t length = size_t(delaySeconds * sampleRate);
    std::vector<float> lineLeft(length, 0.0f), lineRight(length, 0.0f);
    size_t at = 0;
    float darkLeft = 0.0f, darkRight = 0.0f;
    const float feedback = 0.45f;
    const float smooth = 0.35f;
    for (size_t i = 0; i < mixFrames(mix); i++) {
        float echoLeft = lineLeft[at];
        float echoRight = lineRight[at];
        darkLeft += smooth * (echoLeft - darkLeft);
        darkRight += smooth * (echoRight - darkRight);
        lineLeft[at] = mix.delaySend[i] + darkRight * feedback;
        lineRight[at] = darkLeft * feedback;
        if (++at == length)
            at = 0;
        out.left[i] += echoLeft;
        out.right[i] += echoRight;
        mix.reverbSend[i] += 0.25f * (echoLeft + echoRight);
    }
}

void runReverb(const Mix& mix, StereoBuffer& out)
{
    static const size_t combLengths[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
    static const size_t allpassLengths[4] = {556, 441, 341, 225};
    const size_t spread = 23;
    const size_t preDelay = size_t(0.02 * sampleRate);
    const float feedback = 0.88f;
    const float damp = 0.3f;
    const float inputGain = 0.015f;
    const float wet = 4.0f;

    Comb combs[2][8];
    Allpass allpasses[2][4];
    for (int side = 0; side < 2; side++) {
        for (int c = 0; c < 8; c++)
            combs[side][c].line.assign(combLengths[c] + side * spread, 0.0f);
        for (int a = 0; a < 4; a++)
            allpasses[side][a].line.assign(allpassLengths[a] + side * spread, 0.0f);
    }
    for (size_t i = 0; i < mixFrames(mix); i++) {
        float input = i >= preDelay ? mix.reverbSend[i - preDelay] * inputGain : 0.0f;
        float result[2];
        for (int side = 0; side < 2; side++) {
            float sum = 0.0f;
            for (Comb& comb : combs[side])
                sum += runComb(comb, input, feedback, damp);
            for (Allpass& allpass : allpasses[side])
                sum = runAllpass(allpass, sum);
            result[side] = sum;
        }
        out.left[i] += result[0] * wet;
        out.right[i] += result[1] * wet;
    }
}

}  // namespace

StereoBuffer finishMix(Mix& mix)
{
    size_t frames = mixFrames(mix);
    StereoBuffer out;
    out.left.resize(frames);
    out.right.resize(frames);
    for (size_t i = 0; i < frames; i++) {
        out.left[i] = mix.dry.left[i] + mix.pumped.left[i] * mix.duck[i];
        out.right[i] = mix.dry.right[i] + mix.pumped.right[i] * mix.duck[i];
    }
    runDelay(mix, out);
    runReverb(mix, out);

    // A gentle high-pass at about 20 Hz keeps the sum free of offset.
    const float keep = float(std::exp(-2.0 * synthPi * 20.0 / sampleRate));
    float lastInLeft = 0.0f, lastOutLeft = 0.0f, lastInRight = 0.0f, lastOutRight = 0.0f;
    for (size_t i = 0; i < frames; i++) {
        float inLeft = out.left[i], inRight = out.right[i];
        lastOutLeft = keep * (lastOutLeft + inLeft - lastInLeft);
        lastOutRight = keep * (lastOutRight + inRight - lastInRight);
        lastInLeft = inLeft;
        lastInRight = inRight;
        out.left[i] = lastOutLeft;
        out.right[i] = lastOutRight;
    }
    return out;
}

}  // namespace synth
