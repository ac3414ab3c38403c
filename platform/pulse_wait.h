// pulse_wait.h: waiting on a libpulse threaded main loop until a context or
// a stream is ready; shared by the audio output and kvistra-listen's
// recorder.
#pragma once

#include <pulse/pulseaudio.h>

// State callbacks that wake whoever waits on the loop passed as userdata.
void wakePulseContextWaiters(pa_context* context, void* loop);
void wakePulseStreamWaiters(pa_stream* stream, void* loop);

// Wait, with the loop locked, until the context or stream is ready; false
// when it failed or was ended instead.
bool waitForPulseContext(pa_threaded_mainloop* loop, pa_context* context);
bool waitForPulseStream(pa_threaded_mainloop* loop, pa_stream* stream);
