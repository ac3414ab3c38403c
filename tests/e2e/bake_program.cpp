// kvistra-bake's refusals: a usage error or a directory it cannot write to
// fails with a message. (The build runs it; the unit tests compare what it
// wrote with their own bakes.)
#include "support.h"

TEST(BakeProgram, RefusesBadUse)
{
    ProgramResult noArgument = runProgram(programPath("kvistra-bake"), {});
    EXPECT_NE(noArgument.exitStatus, 0);
    EXPECT_NE(noArgument.output.find("usage: kvistra-bake OUTDIR"), std::string::npos);

    ProgramResult missing = runProgram(programPath("kvistra-bake"), {"/nonexistent/dir"});
    EXPECT_EQ(missing.exitStatus, 1);
    EXPECT_NE(missing.output.find("cannot write /nonexistent/dir/ant"), std::string::npos);
}
