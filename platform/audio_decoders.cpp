// audio_decoders.cpp: the audio layer's decoders. Reads a file into memory,
// recognises and opens it as an MPEG audio stream (libmpg123) or as a
// tracker module (libopenmpt), and renders either as float stereo at the
// device's rate, looping at the end of the music.
#include "platform/audio_channel.h"

#include <libopenmpt/libopenmpt.h>
#include <mpg123.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// One decoding step: a whole MPEG-1 Layer III frame, 1152 stereo 16-bit samples.
constexpr size_t decodeBytes = 1152 * 2 * 2;
constexpr int bytesPerOutputFrame = 2 * sizeof(float);
// Frames a file must begin with, unless it is shorter than that.
constexpr int framesRequired = 4;

struct FrameHeader {
    int version = 0;     // the header's code: 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
    int layer = 0;       // 1, 2 or 3
    int sampleRate = 0;  // Hz
    size_t length = 0;   // bytes, header included
};

// Bit rates in kbit/s by [MPEG-1 ? 0 : 1][layer - 1][index]; index 0 is the
// free format, whose frame length the header does not give.
const int bitRates[2][3][15] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}},
};

// Sample rates by [version code][index]; version code 1 is reserved.
const int sampleRates[4][3] = {{11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};

// Decodes the four header bytes at p; false when any field is reserved, the
// bit rate is free or invalid, or the sync word is missing.
bool readFrameHeader(const uint8_t* p, FrameHeader& header)
{
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
        return false;
    int version = (p[1] >> 3) & 3;
    int layerCode = (p[1] >> 1) & 3;
    int bitRateIndex = p[2] >> 4;
    int rateIndex = (p[2] >> 2) & 3;
    int padding = (p[2] >> 1) & 1;
    int emphasis = p[3] & 3;
    if (version == 1 || layerCode == 0 || bitRateIndex == 0 || bitRateIndex == 15 || rateIndex == 3 ||
        emphasis == 2)
        return false;
    header.version = version;
    header.layer = 4 - layerCode;
    header.sampleRate = sampleRates[version][rateIndex];
    long bitRate = bitRates[version == 3 ? 0 : 1][header.layer - 1][bitRateIndex] * 1000L;
    if (header.layer == 1)
        header.length = (12 * bitRate / header.sampleRate + padding) * 4;
    else if (header.layer == 3 && version != 3)
        header.length = 72 * bitRate / header.sampleRate + padding;
    else
        header.length = 144 * bitRate / header.sampleRate + padding;
    return true;
}

bool isId3v2Tag(const uint8_t* bytes, size_t size)
{
    if (size < 10 || std::memcmp(bytes, "ID3", 3) != 0)
        return false;
    if (bytes[3] < 2 || bytes[3] > 4 || bytes[4] == 0xFF)
        return false;
    for (int i = 6; i < 10; ++i)
        if (bytes[i] & 0x80)  // the size is stored 7 bits to a byte
            return false;
    return true;
}

mpg123_ssize_t readMemory(void* handle, void* buffer, size_t count)
{
    MemoryReader& reader = *static_cast<MemoryReader*>(handle);
    size_t left = reader.bytes->size() - reader.position;
    size_t n = std::min(count, left);
    std::memcpy(buffer, reader.bytes->data() + reader.position, n);
    reader.position += n;
    return static_cast<mpg123_ssize_t>(n);
}

off_t seekMemory(void* handle, off_t offset, int whence)
{
    MemoryReader& reader = *static_cast<MemoryReader*>(handle);
    off_t size = static_cast<off_t>(reader.bytes->size());
    off_t base = 0;
    if (whence == SEEK_CUR)
        base = static_cast<off_t>(reader.position);
    else if (whence == SEEK_END)
        base = size;
    off_t target = base + offset;
    if (target < 0 || target > size)
        return -1;
    reader.position = static_cast<size_t>(target);
    return target;
}

// Ends one pass through the music at frame `frame` of the call: runs the end
// procedure and starts the music again. False when the pass produced
// nothing, so that a file that never yields a sample cannot keep the audio
// thread spinning.
bool restartAfterEnd(AudioChannel& channel, int frame, EndProc onEnd)
{
    if (channel.framesSinceStart == 0) {
        channel.silent = true;
        return false;
    }
    onEnd(channel, frame);
    if (channel.kind == ChannelKind::stream) {
        // Only the decoder goes back: the converter keeps its state, so the
        // loop point is resampled without a gap.
        mpg123_seek(channel.decoder, 0, SEEK_SET);
    } else {
        openmpt_module_set_position_seconds(channel.module, 0.0);
    }
    channel.framesSinceStart = 0;
    return true;
}

// Renders a stream: converted samples come out of the SDL_AudioStream, which
// is refilled one decoding step at a time.
int renderStream(AudioChannel& channel, float* out, int frames, EndProc onEnd)
{
    int produced = 0;
    int emptyReads = 0;
    bool restarted = false;
    while (produced < frames) {
        int available = SDL_AudioStreamAvailable(channel.converter) / bytesPerOutputFrame;
        if (available > 0) {
            int wanted = std::min(available, frames - produced);
            int got = SDL_AudioStreamGet(channel.converter, out + 2 * produced, wanted * bytesPerOutputFrame);
            if (got <= 0)
                break;
            produced += got / bytesPerOutputFrame;
            continue;
        }
        StreamStep step = decodeStreamStep(channel, emptyReads);
        // The converter only fails when it cannot grow: give up on the music.
        if (step == StreamStep::failed) {
            channel.silent = true;
            break;
        }
        if (step == StreamStep::end) {
            // One restart a call: a piece shorter than the call (a few
            // samples, say) ends it in silence rather than seeking again and
            // again on the audio thread.
            if (restarted || !restartAfterEnd(channel, produced, onEnd))
                break;
            restarted = true;
        }
    }
    return produced;
}

int renderModule(AudioChannel& channel, int deviceRate, float* out, int frames, EndProc onEnd)
{
    int produced = 0;
    bool restarted = false;
    while (produced < frames) {
        size_t got = openmpt_module_read_interleaved_float_stereo(
            channel.module, deviceRate, frames - produced, out + 2 * produced);
        if (got == 0) {
            // One restart a call, as for streams.
            if (restarted || !restartAfterEnd(channel, produced, onEnd))
                break;
            restarted = true;
            continue;
        }
        produced += static_cast<int>(got);
        channel.framesSinceStart += got;
    }
    return produced;
}

}  // namespace

StreamStep decodeStreamStep(AudioChannel& channel, int& emptyReads)
{
    size_t done = 0;
    int result =
        mpg123_read(channel.decoder, channel.decodeBuffer.data(), channel.decodeBuffer.size(), &done);
    if (done > 0) {
        if (SDL_AudioStreamPut(channel.converter, channel.decodeBuffer.data(), static_cast<int>(done)) != 0)
            return StreamStep::failed;
        channel.framesSinceStart += done / 4;
        emptyReads = 0;
    }
    if (result != MPG123_OK && result != MPG123_NEW_FORMAT)
        return StreamStep::end;
    if (done == 0 && ++emptyReads > 64)
        return StreamStep::end;  // a decoder that stops giving samples has reached its end
    return StreamStep::more;
}

bool looksLikeMpegAudio(const uint8_t* bytes, size_t size)
{
    if (isId3v2Tag(bytes, size))
        return true;
    FrameHeader first;
    size_t position = 0;
    for (int count = 0; count < framesRequired; ++count) {
        // A file shorter than the run required is taken when its frames
        // lead exactly to its end, or to a closing ID3v1 tag.
        if (count >= 2 && position == size)
            return true;
        if (count >= 2 && size - position == 128 && std::memcmp(bytes + position, "TAG", 3) == 0)
            return true;
        FrameHeader header;
        if (position + 4 > size || !readFrameHeader(bytes + position, header))
            return false;
        if (count == 0)
            first = header;
        else if (header.version != first.version || header.layer != first.layer ||
            header.sampleRate != first.sampleRate)
            return false;
        position += header.length;
    }
    return true;
}

// Fills in a stream channel from channel.fileBytes for output at deviceRate.
static AudioError openStreamChannel(AudioChannel& channel, int deviceRate)
{
    if (!looksLikeMpegAudio(channel.fileBytes.data(), channel.fileBytes.size()))
        return audioErrorFormat;
    mpg123_handle* decoder = mpg123_new(nullptr, nullptr);
    if (decoder == nullptr)
        return audioErrorMemory;
    channel.decoder = decoder;
    // ID3v2 tags are skipped, not parsed: their contents are of no use here,
    // and a tag's size fields would have the parser allocate whatever they
    // claim (a 100-byte file asked for 190 MB).
    mpg123_param(decoder, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_SKIP_ID3V2, 0);
    // Any rate, always 16-bit stereo (mono is doubled): the converter
    // expects one fixed layout.
    mpg123_format_none(decoder);
    const long* rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; i < rateCount; ++i)
        mpg123_format(decoder, rates[i], MPG123_STEREO, MPG123_ENC_SIGNED_16);
    channel.reader.bytes = &channel.fileBytes;
    channel.reader.position = 0;
    if (mpg123_replace_reader_handle(decoder, readMemory, seekMemory, nullptr) != MPG123_OK ||
        mpg123_open_handle(decoder, &channel.reader) != MPG123_OK)
        return audioErrorFormat;
    long fileRate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(decoder, &fileRate, &channels, &encoding) != MPG123_OK)
        return audioErrorFormat;
    // The first frame's rate holds for the whole file: a later frame at
    // another rate is converted by mpg123 rather than played at a wrong pitch.
    mpg123_format_none(decoder);
    mpg123_format(decoder, fileRate, MPG123_STEREO, MPG123_ENC_SIGNED_16);

    channel.converter =
        SDL_NewAudioStream(AUDIO_S16SYS, 2, static_cast<int>(fileRate), AUDIO_F32SYS, 2, deviceRate);
    if (channel.converter == nullptr)
        return audioErrorMemory;
    channel.decodeBuffer.resize(decodeBytes);
    return audioOk;
}

// Fills in a module channel from channel.fileBytes.
static AudioError openModuleChannel(AudioChannel& channel)
{
    const std::vector<uint8_t>& bytes = channel.fileBytes;
    size_t probeSize = std::min(bytes.size(), openmpt_probe_file_header_get_recommended_size());
    int probe = openmpt_probe_file_header(OPENMPT_PROBE_FILE_HEADER_FLAGS_DEFAULT, bytes.data(), probeSize,
        bytes.size(), openmpt_log_func_silent, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (probe != OPENMPT_PROBE_FILE_HEADER_RESULT_SUCCESS)
        return audioErrorFormat;
    channel.module = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), openmpt_log_func_silent,
        nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (channel.module == nullptr)
        return audioErrorFormat;
    // The end is ours to handle: the module plays once, without a fade, and
    // restartAfterEnd starts it again.
    openmpt_module_set_repeat_count(channel.module, 0);
    openmpt_module_ctl_set_text(channel.module, "play.at_end", "stop");
    return audioOk;
}

// Reads length bytes from offset on (length 0: up to the end of the file).
static AudioError readFileRange(
    const char* fileName, uint32_t offset, uint32_t length, std::vector<uint8_t>& bytes)
{
    if (fileName == nullptr)
        return audioErrorFileOpen;
    FILE* file = std::fopen(fileName, "rb");
    if (file == nullptr)
        return audioErrorFileOpen;
    AudioError error = audioOk;
    long size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0)
        size = std::ftell(file);
    if (size < 0 || offset > static_cast<unsigned long>(size)) {
        error = audioErrorFileOpen;
    } else {
        size_t count = static_cast<size_t>(size) - offset;
        if (length != 0)
            count = std::min<size_t>(count, length);
        bytes.resize(count);
        if (std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0 ||
            std::fread(bytes.data(), 1, count, file) != count)
            error = audioErrorFileOpen;
    }
    std::fclose(file);
    return error;
}

AudioError openChannelBytes(AudioChannel& channel, int deviceRate)
{
    return channel.kind == ChannelKind::stream ? openStreamChannel(channel, deviceRate)
                                               : openModuleChannel(channel);
}

AudioError loadChannel(
    AudioChannel& channel, const char* fileName, uint32_t offset, uint32_t length, int deviceRate)
{
    AudioError error = readFileRange(fileName, offset, length, channel.fileBytes);
    if (error != audioOk)
        return error;
    return openChannelBytes(channel, deviceRate);
}

void renderChannel(AudioChannel& channel, int deviceRate, float* out, int frames, EndProc onEnd)
{
    int produced = 0;
    if (!channel.silent) {
        if (channel.kind == ChannelKind::stream)
            produced = renderStream(channel, out, frames, onEnd);
        else
            produced = renderModule(channel, deviceRate, out, frames, onEnd);
    }
    std::fill(out + 2 * produced, out + 2 * frames, 0.0f);
}

void rewindChannel(AudioChannel& channel)
{
    if (channel.kind == ChannelKind::stream) {
        mpg123_seek(channel.decoder, 0, SEEK_SET);
        SDL_AudioStreamClear(channel.converter);
    } else {
        openmpt_module_set_position_seconds(channel.module, 0.0);
    }
    channel.framesSinceStart = 0;
}

void closeChannel(AudioChannel& channel)
{
    if (channel.decoder != nullptr) {
        mpg123_delete(channel.decoder);
        channel.decoder = nullptr;
    }
    if (channel.converter != nullptr) {
        SDL_FreeAudioStream(channel.converter);
        channel.converter = nullptr;
    }
    if (channel.module != nullptr) {
        openmpt_module_destroy(channel.module);
        channel.module = nullptr;
    }
}
