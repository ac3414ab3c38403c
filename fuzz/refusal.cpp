// refusal.cpp: an exit hook that turns the end of the process into a throw
// while a refusable call runs.
#include "fuzz/refusal.h"

#include "platform/process.h"

namespace {

struct ProcessEnded {
    int status;
};

bool refusable = false;  // a refusable call is running
bool hookInstalled = false;

void throwOnEnd(int status)
{
    // endProcess takes each hook off before running it.
    hookInstalled = false;
    if (refusable)
        throw ProcessEnded{status};
}

}  // namespace

bool runRefusable(const std::function<void()>& body)
{
    if (!hookInstalled) {
        addExitHook(throwOnEnd);
        hookInstalled = true;
    }
    refusable = true;
    try {
        body();
    } catch (const ProcessEnded&) {
        refusable = false;
        return false;
    }
    refusable = false;
    return true;
}
