// refusal.h: the way back from the engine's refusals to the next input.
//
// The engine ends the process on bad input (endProcess). A fuzz target must
// go on with its next input instead, without touching the engine's normal
// path: an exit hook (platform/process.h) throws while a refusable call
// runs, and the throw unwinds back to the target. Outside such a call the
// hook does nothing, and the process ends as usual.
#pragma once

#include <functional>

// Runs body; true when it returned, false when it ended the process.
bool runRefusable(const std::function<void()>& body);
