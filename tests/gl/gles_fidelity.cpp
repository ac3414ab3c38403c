// The OpenGL ES tree (KVISTRA_GLES_BUILD_DIR, which ./test.sh builds; without
// it the test skips) draws the show's frames as Mesa's fixed-function GL does.
#include "support.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

const std::string glesBuildDir = KVISTRA_GLES_BUILD_DIR;

// Moments of the show at 5 frames a second. "test.3ds" lights from straight
// ahead, where GL leaves the specular highlight undefined: its moments are
// frames where Mesa, like the layer, draws none.
const struct {
    const char* seconds;
    const char* what;
} moments[] = {
    {"1", "title: a faded quad, GL_CLAMP's border under linear filtering"},
    {"13", "title: the fourth picture"},
    {"17.6", "test.3ds: fading in, textured by the title's leftover state"},
    {"19.4", "test.3ds: textured lit floor, grey wire overlay"},
    {"21.8", "test.3ds: the flash, colour material at brightness 2"},
    {"30", "env.3ds: backdrop, the model tinted by its top-left texel"},
    {"50", "add.3ds: no depth test, blended faces, the backdrop's tint"},
    {"62", "blue.3ds: sphere map in decal mode, 5-pixel outline"},
    {"72", "blue.3ds: the outline from another side"},
    {"92", "lo.3ds: flat lit and blended faces on red"},
    {"98.8", "ting.3ds: its first frames over what lo.3ds left"},
    {"110", "ting.3ds: blue fog and trails"},
    {"125", "cyl.3ds: the flat unlit halo, a scaled object's lighting"},
    {"146.8", "snurr.3ds: its first frame, lit faces and lit wire in fog"},
    {"147", "snurr.3ds: the banner's top-left colour in decal mode, fogged"},
    {"165", "snurr.3ds: the keyframed camera further on"},
};

// Runs one tree's capture for all moments in folder `out`.
void captureMoments(const std::string& capture, const TempDir& out)
{
    std::vector<std::string> args = {"--dir", KVISTRA_RUN_DIR, "--fps", "5"};
    for (const auto& moment : moments)
        args.insert(args.end(), {"--at", moment.seconds});
    ProgramResult result = runProgram(capture, args, out.path);
    ASSERT_EQ(result.exitStatus, 0) << capture << "\n" << result.errors;
}

std::string readRgb(const std::string& path)
{
    std::string rgb = runProgram("/usr/bin/env", {"convert", path, "-depth", "8", "rgb:-"}).output;
    EXPECT_EQ(rgb.size(), 640u * 480 * 3) << path;
    return rgb;
}

}  // namespace

TEST(GlesFidelity, TheShowThroughTheLayerLooksAsThroughFixedFunctionGl)
{
    if (glesBuildDir.empty())
        GTEST_SKIP() << "no OpenGL ES build given (KVISTRA_GLES_BUILD_DIR)";
    std::string glesCapture = glesBuildDir + "/run/kvistra-capture";
    ASSERT_EQ(access(glesCapture.c_str(), X_OK), 0) << glesCapture << " is missing: build that tree first";

    TempDir desktop, gles;
    captureMoments(programPath("kvistra-capture"), desktop);
    captureMoments(glesCapture, gles);
    for (const auto& moment : moments) {
        std::string name = std::string("kvistra-at-") + moment.seconds + ".png";
        std::string a = readRgb(desktop.file(name)), b = readRgb(gles.file(name));
        if (a.size() != b.size() || a.empty())
            continue;
        double squares = 0;
        size_t within = 0, pixels = a.size() / 3;
        for (size_t i = 0; i < a.size(); i += 3) {
            int worst = 0;
            for (size_t c = i; c < i + 3; c++) {
                int d = std::abs(static_cast<uint8_t>(a[c]) - static_cast<uint8_t>(b[c]));
                squares += d * d;
                worst = std::max(worst, d);
            }
            within += worst <= 8;
        }
        double mse = squares / static_cast<double>(a.size());
        double psnr = mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
        double share = 100.0 * static_cast<double>(within) / static_cast<double>(pixels);
        std::printf("%6s s  %6.2f dB  %7.3f %% within 8  %s\n", moment.seconds, psnr, share, moment.what);
        EXPECT_GE(psnr, 30.0) << moment.seconds << " s: " << moment.what;
        EXPECT_GE(share, 98.0) << moment.seconds << " s: " << moment.what;
    }
}
