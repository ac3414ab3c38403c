// kvistra-bake as the build runs it: both files written into the given
// directory, the library exactly what the baker's library makes; a usage
// error or a directory it cannot write to fails with a message.
#include "support.h"

#include "tools/bake/bake.h"

TEST(BakeProgram, WritesTheLibraryAndTheMusicIntoTheDirectory)
{
    TempDir dir;
    ProgramResult result = runProgram(programPath("kvistra-bake"), {dir.path});
    ASSERT_EQ(result.exitStatus, 0) << result.output;
    EXPECT_EQ(readFile(dir.file("ant")), bake::bakeLibrary());
    std::vector<uint8_t> music = readFile(dir.file("music.mp3"));
    ASSERT_GT(music.size(), 1000u);
    EXPECT_EQ(music[0], 0xFF) << "starts with an MPEG frame";
    EXPECT_EQ(music[1] & 0xE0, 0xE0);
}

TEST(BakeProgram, RefusesBadUse)
{
    ProgramResult noArgument = runProgram(programPath("kvistra-bake"), {});
    EXPECT_NE(noArgument.exitStatus, 0);
    EXPECT_NE(noArgument.output.find("usage: kvistra-bake OUTDIR"), std::string::npos);

    ProgramResult missing = runProgram(programPath("kvistra-bake"), {"/nonexistent/dir"});
    EXPECT_EQ(missing.exitStatus, 1);
    EXPECT_NE(missing.output.find("cannot write /nonexistent/dir/ant"), std::string::npos);
}
