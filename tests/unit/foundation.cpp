// The process exit path and the engine error line, seen from a parent.
#include "support.h"

#include "platform/process.h"
#include "resources/resources.h"

#include <cstdio>

TEST(EndProcess, FlushesOutputAndRunsHooksBeforeExiting)
{
    ChildResult child = runInChild([] {
        addExitHook([](int status) { std::printf("first hook, status %d\n", status); });
        addExitHook([](int) { std::printf("second hook\n"); });
        std::printf("unflushed line");
        endProcess(3);
    });
    EXPECT_EQ(child.exitStatus, 3);
    EXPECT_EQ(child.output, "unflushed linesecond hook\nfirst hook, status 3\n");
}

TEST(EngineError, PrintsPrefixedMessageAndEndsWithStatus1)
{
    struct Case {
        int code;
        const char* message;
    } cases[] = {
        {1025, "This is not a pcx file.\n"},
        {257, "Could not open file.\n"},
        {259, "Could not write to file.\n"},
        {769, "A 3d object doesn't seem to have a material.\n"},
        {515, "The .3ds data is damaged.\n"},
        {1027, "Picture does not fit its texture.\n"},
        {0, "Unkown error type.\n"},
        {514, "Unkown error type.\n"},
    };
    for (const Case& c : cases) {
        ChildResult child = runInChild([&] { engineError(c.code); });
        EXPECT_EQ(child.exitStatus, 1) << c.code;
        EXPECT_EQ(child.output, std::string("[MORVEL ENGINE ERROR]:") + c.message + "\n") << c.code;
    }
}
