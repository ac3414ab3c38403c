// options.cpp: the command line of kvistra-capture.
#include "tools/capture/capture.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

void printUsage(std::FILE* to)
{
    std::fprintf(to,
        "usage: kvistra-capture [options]\n"
        "Renders the show off screen on a virtual clock, frame by frame, with its music.\n"
        "At least one output:\n"
        "  --mp4 FILE      H.264 video with the music (needs the ffmpeg program on PATH)\n"
        "  --png DIR       every frame as DIR/frame-NNNNNN.png, NNNNNN the frame's number in the show\n"
        "  --at SECONDS    one PNG of the frame shown at that time after the music starts;\n"
        "                  give it several times for several pictures in one run\n"
        "  --out FILE      where a single --at writes (default: kvistra-at-SECONDS.png)\n"
        "Settings:\n"
        "  --fps N         frames per second of show time (default 60)\n"
        "  --from S        emit frames from S seconds on (earlier ones are still drawn)\n"
        "  --to S          stop before S seconds (default: the end of the show)\n"
        "  --size WxH      render size (default 640x480)\n"
        "  --dir DIR       the folder holding \"ant\" and \"music.mp3\" (default: the current\n"
        "                  folder if it has \"ant\", else the folder of this program, else\n"
        "                  ../share/games/kvistra from there, where the package keeps them)\n"
        "  --frame-log FILE  a line per frame drawn: its number, the show stage and the\n"
        "                  milliseconds from the previous frame's end to its own, drawing\n"
        "                  finished (the stage-changing frame holds the next scene's loading)\n"
        "  --help          this text\n"
        "Frame n shows the show at n/fps seconds. Each scene ends on its first frame past\n"
        "its end, so at low rates the show runs longer, as it would on a slow machine; one\n"
        "that outlasts its music may not end at all (use --to). The status is 0 when the\n"
        "capture is complete, 130 after Ctrl-C (the video is closed properly), non-zero on\n"
        "errors.\n");
}

static bool readSeconds(const char* text, double& value)
{
    errno = 0;
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && errno == 0 && std::isfinite(value) && value >= 0.0;
}

static bool readInteger(const char* text, long low, long high, int& value)
{
    errno = 0;
    char* end = nullptr;
    long number = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno != 0 || number < low || number > high)
        return false;
    value = static_cast<int>(number);
    return true;
}

static bool readSize(const char* text, int& width, int& height)
{
    const char* cross = std::strchr(text, 'x');
    if (cross == nullptr)
        return false;
    std::string left(text, cross);
    return readInteger(left.c_str(), 16, 8192, width) && readInteger(cross + 1, 16, 8192, height);
}

ParseOutcome parseOptions(int argc, char** argv, CaptureOptions& options, std::string& error)
{
    options = CaptureOptions{};
    bool fromGiven = false;
    for (int i = 1; i < argc; i++) {
        std::string name = argv[i];
        if (name == "--help" || name == "-h")
            return ParseOutcome::help;
        if (i + 1 >= argc) {
            error =
                name.rfind("--", 0) == 0 ? "option " + name + " needs a value" : "unknown argument " + name;
            return ParseOutcome::error;
        }
        const char* value = argv[++i];
        bool good = true;
        if (name == "--mp4")
            options.mp4Path = value;
        else if (name == "--png")
            options.pngDir = value;
        else if (name == "--out")
            options.outPath = value;
        else if (name == "--dir")
            options.dir = value;
        else if (name == "--frame-log")
            options.frameLogPath = value;
        else if (name == "--at") {
            double seconds = 0.0;
            good = readSeconds(value, seconds);
            options.atSeconds.push_back(seconds);
        } else if (name == "--from")
            good = fromGiven = readSeconds(value, options.fromSeconds);
        else if (name == "--to")
            good = options.toGiven = readSeconds(value, options.toSeconds);
        else if (name == "--fps")
            good = readInteger(value, 1, 1000, options.fps);
        else if (name == "--size")
            good = readSize(value, options.width, options.height);
        else {
            error = "unknown option " + name;
            return ParseOutcome::error;
        }
        if (!good || std::string(value).empty()) {
            error = "bad value for " + name + ": \"" + value + "\"";
            return ParseOutcome::error;
        }
    }
    bool atGiven = !options.atSeconds.empty();
    if (options.mp4Path.empty() && options.pngDir.empty() && !atGiven) {
        error = "nothing to do: give --mp4 FILE, --png DIR or --at SECONDS";
        return ParseOutcome::error;
    }
    if (atGiven && (!options.mp4Path.empty() || !options.pngDir.empty() || fromGiven || options.toGiven)) {
        error = "--at makes pictures of single frames; it does not go with --mp4, --png, --from or --to";
        return ParseOutcome::error;
    }
    if (!options.outPath.empty() && options.atSeconds.size() != 1) {
        error = "--out names the picture of a single --at";
        return ParseOutcome::error;
    }
    if (options.toGiven && options.toSeconds <= options.fromSeconds) {
        error = "--to must come after --from";
        return ParseOutcome::error;
    }
    // H.264 in 4:2:0 halves the colour planes in both directions.
    if (!options.mp4Path.empty() && (options.width % 2 != 0 || options.height % 2 != 0)) {
        error = "--mp4 needs an even width and height";
        return ParseOutcome::error;
    }
    return ParseOutcome::run;
}
