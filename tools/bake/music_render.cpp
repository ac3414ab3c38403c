// Renders the show's music: the score into a mix, the effects, the master
// stage, and a short fade at the very end.
#include "tools/bake/music.h"

#include <algorithm>

namespace bake {

synth::StereoBuffer renderMusic()
{
    synth::Mix mix = synth::makeMix(musicSeconds);
    writeScore(mix);
    synth::StereoBuffer out = synth::finishMix(mix);
    synth::masterTo(out, musicLoudnessLufs, musicPeakCeiling);

    // The last chord dies away over the final three seconds.
    const double fadeSeconds = 3.0;
    size_t frames = out.left.size();
    size_t fadeFrames = size_t(fadeSeconds * synth::sampleRate);
    for (size_t i = frames - std::min(frames, fadeFrames); i < frames; i++) {
        float gain = float(frames - i) / float(fadeFrames);
        out.left[i] *= gain;
        out.right[i] *= gain;
    }
    return out;
}

}  // namespace bake
