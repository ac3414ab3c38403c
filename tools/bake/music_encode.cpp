// Encodes the show's music to MP3 with libmp3lame, and bakes "music.mp3".
#include "tools/bake/music.h"

#include <lame/lame.h>

#include <algorithm>
#include <stdexcept>

namespace bake {

std::vector<uint8_t> encodeMp3(const synth::StereoBuffer& pcm)
{
    lame_global_flags* lame = lame_init();
    if (!lame)
        throw std::runtime_error("the MP3 encoder cannot start");
    lame_set_in_samplerate(lame, synth::sampleRate);
    lame_set_out_samplerate(lame, synth::sampleRate);
    lame_set_num_channels(lame, 2);
    lame_set_mode(lame, JOINT_STEREO);
    lame_set_VBR(lame, vbr_off);
    lame_set_brate(lame, 192);
    lame_set_quality(lame, 5);
    // The information frame ("Info", as LAME writes it for constant bit
    // rates) says how many samples of priming and padding the encoder added,
    // so that decoders give exactly the piece: its first sample at time 0.
    lame_set_bWriteVbrTag(lame, 1);
    lame_set_write_id3tag_automatic(lame, 0);
    if (lame_init_params(lame) < 0) {
        lame_close(lame);
        throw std::runtime_error("the MP3 encoder rejects its settings");
    }

    std::vector<uint8_t> mp3;
    const int chunk = 8192;
    std::vector<unsigned char> buffer(size_t(chunk * 5 / 4 + 7200));
    size_t frames = std::min(pcm.left.size(), pcm.right.size());
    for (size_t at = 0; at < frames; at += chunk) {
        int count = int(std::min(frames - at, size_t(chunk)));
        int bytes = lame_encode_buffer_ieee_float(
            lame, pcm.left.data() + at, pcm.right.data() + at, count, buffer.data(), int(buffer.size()));
        if (bytes < 0) {
            lame_close(lame);
            throw std::runtime_error("the MP3 encoder fails");
        }
        mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + bytes);
    }
    int bytes = lame_encode_flush(lame, buffer.data(), int(buffer.size()));
    if (bytes > 0)
        mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + bytes);
    // The encoder began with an empty frame in the information frame's place;
    // now that the stream is complete, the frame can be filled in.
    size_t tagBytes = lame_get_lametag_frame(lame, buffer.data(), buffer.size());
    lame_close(lame);
    if (tagBytes == 0 || tagBytes > buffer.size() || tagBytes > mp3.size())
        throw std::runtime_error("the MP3 encoder gives no information frame");
    std::copy(buffer.begin(), buffer.begin() + long(tagBytes), mp3.begin());
    return mp3;
}

std::vector<uint8_t> bakeMusic()
{
    return encodeMp3(renderMusic());
}

}  // namespace bake
