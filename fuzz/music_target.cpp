// music_target.cpp: arbitrary bytes as the music, opened the way the show
// opens "music.mp3" (as a compressed stream, failing that as a tracker
// module) and decoded for a few steps, past a restart at its end for short
// pieces.
#include "fuzz/fuzz_targets.h"

#include "platform/audio_channel.h"

#include <vector>

namespace {

void noEnd(AudioChannel&, int) { }

}  // namespace

void fuzzMusic(const uint8_t* data, size_t size)
{
    const int rate = 44100;
    for (ChannelKind kind : {ChannelKind::stream, ChannelKind::module}) {
        AudioChannel channel;
        channel.kind = kind;
        channel.fileBytes.assign(data, data + size);
        bool opened = openChannelBytes(channel, rate) == audioOk;
        if (opened) {
            std::vector<float> out(2 * 1024);
            for (int step = 0; step < 4; step++)
                renderChannel(channel, rate, out.data(), 1024, noEnd);
        }
        closeChannel(channel);
        if (opened)
            return;
    }
}
