// recorder.cpp: records a PulseAudio source with the moment each sample was
// heard. The server's timing of the record stream says, as of a moment of
// its own clock, how far it has written into the stream, how much the source
// holds that it has not yet written (source_usec), and, for a sink's
// monitor, how long the sink takes to play what the monitor already has
// (sink_usec). So the sample heard at that moment is the written position
// plus the source's latency less the sink's, and sample i was heard
// (i - that) samples later. The timing is asked for after every read; the
// median over all of them gives the first sample's moment.
#include "tools/listen/listen.h"
#include "platform/pulse_wait.h"

#include <pulse/pulseaudio.h>

#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

// The sink's delay below which it counts as playing steadily.
constexpr pa_usec_t steadySinkUsec = 50000;

struct Recorder {
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    pa_stream* stream = nullptr;
    std::FILE* out = nullptr;
    uint64_t frames = 0;               // frames read so far
    std::vector<double> firstMoments;  // one estimate per read
    bool failed = false;
    bool sinkSteady = false;  // the sink plays with a short delay
};

Recorder recorder;

double clockSeconds(clockid_t clock)
{
    timespec now;
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The timing has come: one more estimate of the first sample's moment.
void onTiming(pa_stream* stream, int success, void*)
{
    const pa_timing_info* timing = pa_stream_get_timing_info(stream);
    if (!success || timing == nullptr || timing->write_index_corrupt)
        return;
    // The server's moment is on the real-time clock: to the monotonic one.
    double realToMonotonic = clockSeconds(CLOCK_MONOTONIC) - clockSeconds(CLOCK_REALTIME);
    double at =
        static_cast<double>(timing->timestamp.tv_sec) + static_cast<double>(timing->timestamp.tv_usec) * 1e-6;
    double heardThen = static_cast<double>(timing->write_index) / (2 * sizeof(float)) / listenRate +
        (static_cast<double>(timing->source_usec) - static_cast<double>(timing->sink_usec)) * 1e-6;
    recorder.firstMoments.push_back(at + realToMonotonic - heardThen);
    if (timing->sink_usec < steadySinkUsec && !recorder.sinkSteady) {
        recorder.sinkSteady = true;
        pa_threaded_mainloop_signal(recorder.loop, 0);
    }
}

void onRead(pa_stream* stream, size_t, void*)
{
    const void* data = nullptr;
    size_t bytes = 0;
    while (pa_stream_readable_size(stream) > 0) {
        if (pa_stream_peek(stream, &data, &bytes) < 0) {
            recorder.failed = true;
            return;
        }
        if (bytes == 0)
            break;
        size_t frames = bytes / (2 * sizeof(float));
        if (data == nullptr) {
            // A hole in the stream: heard as silence.
            float zero = 0;
            for (size_t i = 0; i < frames; i++)
                std::fwrite(&zero, sizeof zero, 1, recorder.out);
        } else {
            const float* samples = static_cast<const float*>(data);
            for (size_t i = 0; i < frames; i++) {
                float mono = 0.5f * (samples[2 * i] + samples[2 * i + 1]);
                std::fwrite(&mono, sizeof mono, 1, recorder.out);
            }
        }
        recorder.frames += frames;
        pa_stream_drop(stream);
    }
    if (recorder.frames > 0) {
        pa_operation* operation = pa_stream_update_timing_info(stream, onTiming, nullptr);
        if (operation != nullptr)
            pa_operation_unref(operation);
    }
}

bool startStream(const std::string& source)
{
    pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, listenRate, 2};
    recorder.stream = pa_stream_new(recorder.context, "listen", &spec, nullptr);
    if (recorder.stream == nullptr)
        return false;
    pa_stream_set_state_callback(recorder.stream, wakePulseStreamWaiters, recorder.loop);
    pa_stream_set_read_callback(recorder.stream, onRead, nullptr);
    pa_buffer_attr buffer;
    buffer.maxlength = static_cast<uint32_t>(-1);
    buffer.fragsize = static_cast<uint32_t>(pa_usec_to_bytes(10000, &spec));
    buffer.tlength = buffer.prebuf = buffer.minreq = static_cast<uint32_t>(-1);
    auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY);
    if (pa_stream_connect_record(recorder.stream, source.c_str(), &buffer, flags) < 0)
        return false;
    return waitForPulseStream(recorder.loop, recorder.stream);
}

}  // namespace

int recordSource(const std::string& source, const std::string& outPath)
{
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stops, nullptr);  // the main loop's thread inherits the mask
    recorder.out = std::fopen(outPath.c_str(), "wb");
    if (recorder.out == nullptr) {
        std::fprintf(stderr, "kvistra-listen: cannot write %s\n", outPath.c_str());
        return 1;
    }
    recorder.loop = pa_threaded_mainloop_new();
    recorder.context = pa_context_new(pa_threaded_mainloop_get_api(recorder.loop), "kvistra-listen");
    pa_context_set_state_callback(recorder.context, wakePulseContextWaiters, recorder.loop);
    if (pa_context_connect(recorder.context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
        pa_threaded_mainloop_start(recorder.loop) < 0) {
        std::fprintf(stderr, "kvistra-listen: no sound server answers\n");
        return 1;
    }
    pa_threaded_mainloop_lock(recorder.loop);
    bool started = waitForPulseContext(recorder.loop, recorder.context) && startStream(source);
    // A sink that has been idle (a null sink, say) may still be playing out
    // a long block of silence, which a stream started now would wait behind:
    // "recording" is said once the sink plays with a short delay (or after
    // 10 s anyway).
    double deadline = clockSeconds(CLOCK_MONOTONIC) + 10;
    while (started && !recorder.sinkSteady && clockSeconds(CLOCK_MONOTONIC) < deadline)
        pa_threaded_mainloop_wait(recorder.loop);
    pa_threaded_mainloop_unlock(recorder.loop);
    if (!started) {
        std::fprintf(stderr, "kvistra-listen: cannot record %s\n", source.c_str());
        return 1;
    }
    std::printf("recording\n");
    std::fflush(stdout);

    int stop = 0;
    sigwait(&stops, &stop);

    pa_threaded_mainloop_lock(recorder.loop);
    pa_stream_disconnect(recorder.stream);
    pa_stream_unref(recorder.stream);
    pa_context_disconnect(recorder.context);
    pa_context_unref(recorder.context);
    pa_threaded_mainloop_unlock(recorder.loop);
    pa_threaded_mainloop_stop(recorder.loop);
    pa_threaded_mainloop_free(recorder.loop);
    bool written = std::fclose(recorder.out) == 0 && !recorder.failed;

    std::FILE* timing = std::fopen((outPath + ".timing").c_str(), "w");
    if (timing == nullptr || recorder.firstMoments.empty()) {
        std::fprintf(stderr, "kvistra-listen: the recording has no timing\n");
        return 1;
    }
    std::vector<double> moments = recorder.firstMoments;
    std::fprintf(timing, "%.6f %zu %llu\n", median(moments), moments.size(),
        static_cast<unsigned long long>(recorder.frames));
    if (std::getenv("KVISTRA_LISTEN_BLOCKS") != nullptr)
        for (double m : recorder.firstMoments)
            std::fprintf(timing, "%.6f\n", m);
    return std::fclose(timing) == 0 && written ? 0 : 1;
}
