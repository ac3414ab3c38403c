// pulse_wait.cpp: waiting for a libpulse context or stream to be ready.
#include "platform/pulse_wait.h"

void wakePulseContextWaiters(pa_context*, void* loop)
{
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0);
}

void wakePulseStreamWaiters(pa_stream*, void* loop)
{
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0);
}

bool waitForPulseContext(pa_threaded_mainloop* loop, pa_context* context)
{
    for (;;) {
        pa_context_state_t state = pa_context_get_state(context);
        if (state == PA_CONTEXT_READY)
            return true;
        if (!PA_CONTEXT_IS_GOOD(state))
            return false;
        pa_threaded_mainloop_wait(loop);
    }
}

bool waitForPulseStream(pa_threaded_mainloop* loop, pa_stream* stream)
{
    for (;;) {
        pa_stream_state_t state = pa_stream_get_state(stream);
        if (state == PA_STREAM_READY)
            return true;
        if (!PA_STREAM_IS_GOOD(state))
            return false;
        pa_threaded_mainloop_wait(loop);
    }
}
