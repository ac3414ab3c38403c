// audio_pulse.cpp: the audio layer's PulseAudio output; PipeWire serves the
// same protocol. Unlike SDL, the server says when each sample is heard.
//
// The server's timing of the stream tells, as of a moment of its own clock,
// how far it has read into the stream and how long the sink takes to play
// what it has read (sink_usec: its buffers and the device's own latency).
// The frame heard now is therefore the read position less the sink's
// latency, plus the time since that moment while the stream plays. The
// timing is asked for again every 20 ms, and the heard position never goes
// back: a timing that says less than was already said (an underrun that
// stopped the stream, say) holds it until the stream catches up.
//
// Everything runs on libpulse's threaded main loop: the write callback mixes
// the next frames; after each write, each timing and at the moments the
// layer waits for, the layer hears how far the output has been heard.
#include "platform/audio_device.h"
#include "platform/pulse_wait.h"

#include <pulse/pulseaudio.h>

#include <algorithm>

namespace {

// What the server is asked to keep queued: short enough for a quick start,
// long enough not to run dry on a busy machine. The layer does not depend on
// it: it asks the server where the stream is.
constexpr pa_usec_t targetLatency = 100000;
// How often the timing is asked for while the stream plays, and the longest
// the watch waits.
constexpr pa_usec_t watchInterval = 20000;

struct PulseDevice {
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    pa_stream* stream = nullptr;
    pa_time_event* watch = nullptr;
    DeviceProcs procs{};
    int rate = 0;
    uint64_t framesWritten = 0;
    uint64_t heard = 0;               // the frame heard, as last said
    uint64_t watchedFrame = noFrame;  // what the layer waits for, as far as known
    bool started = false;             // the stream has been let play
};

PulseDevice pulse;

void onWatch(pa_mainloop_api*, pa_time_event*, const struct timeval*, void*);

// Sets the watch to fire in `delay`, at most watchInterval.
void armWatch(pa_usec_t delay)
{
    pa_usec_t when = pa_rtclock_now() + std::min(delay, watchInterval);
    if (pulse.watch == nullptr)
        pulse.watch = pa_context_rttime_new(pulse.context, when, onWatch, nullptr);
    else
        pa_context_rttime_restart(pulse.context, pulse.watch, when);
}

// Tells the layer how far the output has been heard, wakes whoever waits,
// and sets the watch for the moment the frame the layer waits for next
// should be heard (at the latest watchInterval from now).
void reportHeard()
{
    uint64_t heard = 0;
    if (pulseHeardFrame(heard))
        pulse.watchedFrame = pulse.procs.heard(heard);
    pa_usec_t delay = watchInterval;
    if (pulse.watchedFrame != noFrame && pulse.watchedFrame > heard)
        delay = (pulse.watchedFrame - heard) * 1000000u / static_cast<pa_usec_t>(pulse.rate) + 500;
    else if (pulse.watchedFrame != noFrame)
        delay = 0;
    if (pulse.started || pulse.watchedFrame != noFrame)
        armWatch(delay);
    pa_threaded_mainloop_signal(pulse.loop, 0);
}

void onTiming(pa_stream*, int, void*)
{
    reportHeard();
}

void onWatch(pa_mainloop_api*, pa_time_event*, const struct timeval*, void*)
{
    if (pulse.started && pa_stream_get_state(pulse.stream) == PA_STREAM_READY) {
        pa_operation* operation = pa_stream_update_timing_info(pulse.stream, onTiming, nullptr);
        if (operation != nullptr)
            pa_operation_unref(operation);
    }
    reportHeard();
}

// The server wants `bytes` more: mixed straight into its own buffer. Nothing
// is written before the stream may play, so that the music need not wait
// behind silence queued in the meantime.
void onWrite(pa_stream* stream, size_t bytes, void*)
{
    if (!pulse.started)
        return;
    const size_t frameBytes = 2 * sizeof(float);
    while (bytes >= frameBytes) {
        void* data = nullptr;
        size_t size = bytes;
        if (pa_stream_begin_write(stream, &data, &size) < 0 || data == nullptr)
            break;
        int frames = static_cast<int>(std::min(size, bytes) / frameBytes);
        if (frames == 0) {
            pa_stream_cancel_write(stream);
            break;
        }
        pulse.procs.mix(static_cast<float*>(data), frames, pulse.framesWritten);
        size = static_cast<size_t>(frames) * frameBytes;
        if (pa_stream_write(stream, data, size, nullptr, 0, PA_SEEK_RELATIVE) < 0)
            break;
        pulse.framesWritten += static_cast<uint64_t>(frames);
        bytes -= size;
    }
    reportHeard();
}

// Opens the stream (locked), paused; false when it fails.
bool openStream()
{
    pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, static_cast<uint32_t>(pulse.rate), 2};
    pulse.stream = pa_stream_new(pulse.context, "music", &spec, nullptr);
    if (pulse.stream == nullptr)
        return false;
    pa_stream_set_state_callback(pulse.stream, wakePulseStreamWaiters, pulse.loop);
    pa_stream_set_write_callback(pulse.stream, onWrite, nullptr);
    pa_buffer_attr buffer;
    buffer.maxlength = static_cast<uint32_t>(-1);
    buffer.tlength = static_cast<uint32_t>(pa_usec_to_bytes(targetLatency, &spec));
    buffer.prebuf = static_cast<uint32_t>(-1);
    buffer.minreq = static_cast<uint32_t>(-1);
    buffer.fragsize = static_cast<uint32_t>(-1);
    auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_START_CORKED | PA_STREAM_ADJUST_LATENCY);
    if (pa_stream_connect_playback(pulse.stream, nullptr, &buffer, flags, nullptr, nullptr) < 0)
        return false;
    return waitForPulseStream(pulse.loop, pulse.stream);
}

}  // namespace

bool openPulseDevice(int rate, DeviceProcs procs)
{
    pulse = PulseDevice{};
    pulse.procs = procs;
    pulse.rate = rate;
    pulse.loop = pa_threaded_mainloop_new();
    if (pulse.loop == nullptr)
        return false;
    pulse.context = pa_context_new(pa_threaded_mainloop_get_api(pulse.loop), "kvistra");
    if (pulse.context == nullptr) {
        closePulseDevice();
        return false;
    }
    pa_context_set_state_callback(pulse.context, wakePulseContextWaiters, pulse.loop);
    // Never start a server: without one, another output serves.
    if (pa_context_connect(pulse.context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
        pa_threaded_mainloop_start(pulse.loop) < 0) {
        closePulseDevice();
        return false;
    }
    pa_threaded_mainloop_lock(pulse.loop);
    bool open = waitForPulseContext(pulse.loop, pulse.context) && openStream();
    pa_threaded_mainloop_unlock(pulse.loop);
    if (!open)
        closePulseDevice();
    return open;
}

void lockPulseDevice()
{
    pa_threaded_mainloop_lock(pulse.loop);
}

void unlockPulseDevice()
{
    pa_threaded_mainloop_unlock(pulse.loop);
}

void startPulseDevice()
{
    pulse.started = true;
    pa_operation* operation = pa_stream_cork(pulse.stream, 0, nullptr, nullptr);
    if (operation != nullptr)
        pa_operation_unref(operation);
    // The requests made while it was paused went unanswered: answer them now.
    size_t writable = pa_stream_writable_size(pulse.stream);
    if (writable != static_cast<size_t>(-1) && writable > 0)
        onWrite(pulse.stream, writable, nullptr);
    onWatch(nullptr, nullptr, nullptr, nullptr);
}

void waitPulseDevice()
{
    pa_threaded_mainloop_wait(pulse.loop);
}

void watchPulseDevice(uint64_t frame)
{
    pulse.watchedFrame = std::min(pulse.watchedFrame, frame);
    armWatch(watchInterval);
}

uint64_t pulseNextFrame()
{
    return pulse.framesWritten;
}

bool pulseHeardFrame(uint64_t& frame)
{
    if (pulse.stream == nullptr || pa_stream_get_state(pulse.stream) != PA_STREAM_READY)
        return false;
    const pa_timing_info* timing = pa_stream_get_timing_info(pulse.stream);
    if (timing == nullptr || timing->read_index_corrupt)
        return false;
    double rate = static_cast<double>(pulse.rate);
    double heard = static_cast<double>(timing->read_index) / (2 * sizeof(float)) -
        static_cast<double>(timing->sink_usec) * rate / 1e6;
    if (timing->playing)
        heard += static_cast<double>(pa_timeval_age(&timing->timestamp)) * rate / 1e6;
    if (heard > static_cast<double>(pulse.heard))
        pulse.heard = static_cast<uint64_t>(heard);
    frame = pulse.heard;
    return true;
}

void closePulseDevice()
{
    if (pulse.loop == nullptr)
        return;
    pa_threaded_mainloop_lock(pulse.loop);
    if (pulse.watch != nullptr)
        pa_threaded_mainloop_get_api(pulse.loop)->time_free(pulse.watch);
    if (pulse.stream != nullptr) {
        pa_stream_disconnect(pulse.stream);
        pa_stream_unref(pulse.stream);
    }
    if (pulse.context != nullptr) {
        pa_context_disconnect(pulse.context);
        pa_context_unref(pulse.context);
    }
    pa_threaded_mainloop_unlock(pulse.loop);
    pa_threaded_mainloop_stop(pulse.loop);
    pa_threaded_mainloop_free(pulse.loop);
    pulse = PulseDevice{};
}
