// main.cpp: kvistra-listen, the command line.
//
//   kvistra-listen record SOURCE OUT
//       records SOURCE (e.g. "out.monitor") until SIGINT or SIGTERM, see
//       recordSource.
//   kvistra-listen align MUSIC RECORDING [--log SYNCLOG] [--at SECONDS]...
//       finds the music file MUSIC, decoded as the show decodes it, in
//       RECORDING (with RECORDING.timing) and prints
//         blocks M N C        M of the N blocks that hold sound match the
//                             music, with a median correlation of C
//         heard-zero T        the moment (monotonic seconds) the music's
//                             time 0 was heard, from the first five blocks
//                             that match (before the output is likely to
//                             have stalled)
//         at S T              for each --at: the moment its second S was
//                             heard, from the blocks within 3 s of it
//       and with the show's sync log (KVISTRA_SYNC_LOG):
//         zero-offset MS      heard-zero less the log's zero, in ms (a stall
//                             of the output in the first blocks adds to it)
//         start-offset MS     as clock-offset, over the first 20 blocks
//                             heard while the log has the clock: the music's
//                             start heard at the clock's time, stalls or not
//         clock-offset MS P10 P90 N
//                             over the N blocks heard while the log has the
//                             demo clock: the music's time heard less the
//                             demo clock's at that moment, in ms (median, 10th
//                             and 90th percentile)
//       It ends with status 1 when the recording does not hold the music.
//
// With KVISTRA_LISTEN_BLOCKS set, align prints every block to standard error
// ("block HEARD SECOND CORRELATION") and record writes each of its timing
// estimates to RECORDING.timing after its first line.
#include "tools/listen/listen.h"

#include "platform/audio_pcm.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr size_t blockSize = 4096;      // 93 ms
constexpr long blockSearch = 441;       // +-10 ms around the block before
constexpr long gapSearch = listenRate;  // +-1 s after a gap
constexpr size_t zeroBlocks = 5;        // the first half second or so, for where time 0 was heard
constexpr size_t startBlocks = 20;      // the first two seconds or so, for the start against the clock

struct ClockReading {
    double moment;  // monotonic seconds
    double tenths;  // the demo clock
};

struct SyncLog {
    bool hasZero = false;
    double zero = 0;
    std::vector<ClockReading> clock;
};

int usage()
{
    std::fprintf(stderr,
        "usage: kvistra-listen record SOURCE OUT\n"
        "       kvistra-listen align MUSIC RECORDING [--log SYNCLOG] [--at SECONDS]...\n");
    return 2;
}

bool readPiece(const char* musicPath, std::vector<float>& piece)
{
    std::FILE* samples = std::tmpfile();
    DecodedMusic music;
    if (samples == nullptr || decodeMusic(musicPath, false, samples, music) != audioOk) {
        std::fprintf(stderr, "kvistra-listen: cannot decode %s\n", musicPath);
        return false;
    }
    std::rewind(samples);
    float frame[2];
    while (std::fread(frame, sizeof frame, 1, samples) == 1)
        piece.push_back(0.5f * (frame[0] + frame[1]));
    std::fclose(samples);
    return true;
}

bool readRecording(const std::string& path, std::vector<float>& recorded, double& firstMoment)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    std::FILE* timing = std::fopen((path + ".timing").c_str(), "r");
    bool read = file != nullptr && timing != nullptr && std::fscanf(timing, "%lf", &firstMoment) == 1;
    float sample;
    while (read && std::fread(&sample, sizeof sample, 1, file) == 1)
        recorded.push_back(sample);
    if (file != nullptr)
        std::fclose(file);
    if (timing != nullptr)
        std::fclose(timing);
    if (!read)
        std::fprintf(stderr, "kvistra-listen: cannot read the recording %s\n", path.c_str());
    return read;
}

bool readSyncLog(const char* path, SyncLog& log)
{
    std::FILE* file = std::fopen(path, "r");
    if (file == nullptr) {
        std::fprintf(stderr, "kvistra-listen: cannot read the sync log %s\n", path);
        return false;
    }
    char line[256];
    while (std::fgets(line, sizeof line, file) != nullptr) {
        ClockReading reading;
        if (std::sscanf(line, "zero %lf", &log.zero) == 1)
            log.hasZero = true;
        else if (std::sscanf(line, "clock %lf %lf", &reading.moment, &reading.tenths) == 2)
            log.clock.push_back(reading);
    }
    std::fclose(file);
    std::sort(log.clock.begin(), log.clock.end(),
        [](const ClockReading& a, const ClockReading& b) { return a.moment < b.moment; });
    return true;
}

// The demo clock in seconds at `moment`, between two readings at most 50 ms
// apart; false outside them.
bool clockAt(const SyncLog& log, double moment, double& seconds)
{
    auto after = std::lower_bound(log.clock.begin(), log.clock.end(), moment,
        [](const ClockReading& r, double m) { return r.moment < m; });
    if (after == log.clock.begin() || after == log.clock.end())
        return false;
    const ClockReading& before = *(after - 1);
    if (after->moment - before.moment > 0.05)
        return false;
    double x = (moment - before.moment) / (after->moment - before.moment);
    seconds = (before.tenths + x * (after->tenths - before.tenths)) / 10.0;
    return true;
}

std::vector<double> sorted(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values;
}

int align(const char* musicPath, const std::string& recordingPath, const char* logPath,
    const std::vector<double>& atSeconds)
{
    std::vector<float> piece, recorded;
    double firstMoment = 0;
    SyncLog log;
    if (!readPiece(musicPath, piece) || !readRecording(recordingPath, recorded, firstMoment) ||
        (logPath != nullptr && !readSyncLog(logPath, log)))
        return 1;
    // The piece as far as the recording could reach into it.
    std::vector<float> start(
        piece.begin(), piece.begin() + static_cast<long>(std::min(piece.size(), 2 * recorded.size())));
    long lag = 0;
    if (!findLag(recorded, start, lag)) {
        std::printf("blocks 0 0 0\n");
        return 1;
    }
    std::vector<BlockMatch> matches = matchBlocks(recorded, piece, lag, blockSize, blockSearch, gapSearch);
    if (std::getenv("KVISTRA_LISTEN_BLOCKS") != nullptr)
        for (const BlockMatch& match : matches)
            std::fprintf(stderr, "block %.4f %.4f %.4f\n",
                firstMoment + static_cast<double>(match.recordedAt) / listenRate,
                static_cast<double>(match.pieceAt) / listenRate, match.correlation);
    // For each matched block: when it was heard, and which second of the music it was.
    std::vector<double> correlations, earlyZeros, clockOffsets, startOffsets;
    size_t matched = 0;
    for (const BlockMatch& match : matches) {
        correlations.push_back(match.correlation);
        if (match.correlation < matchedCorrelation)
            continue;
        matched++;
        double heard = firstMoment + static_cast<double>(match.recordedAt) / listenRate;
        double pieceSeconds = static_cast<double>(match.pieceAt) / listenRate;
        if (earlyZeros.size() < zeroBlocks)
            earlyZeros.push_back(heard - pieceSeconds);
        double clock = 0;
        if (clockAt(log, heard, clock)) {
            clockOffsets.push_back((pieceSeconds - clock) * 1000.0);
            if (startOffsets.size() < startBlocks)
                startOffsets.push_back(clockOffsets.back());
        }
    }
    std::printf("blocks %zu %zu %.4f\n", matched, matches.size(), median(correlations));
    if (!earlyZeros.empty()) {
        std::printf("heard-zero %.6f\n", median(earlyZeros));
        if (log.hasZero)
            std::printf("zero-offset %.2f\n", (median(earlyZeros) - log.zero) * 1000.0);
    }
    if (!startOffsets.empty())
        std::printf("start-offset %.2f\n", median(startOffsets));
    if (!clockOffsets.empty()) {
        std::vector<double> offsets = sorted(clockOffsets);
        std::printf("clock-offset %.2f %.2f %.2f %zu\n", median(offsets), offsets[offsets.size() / 10],
            offsets[offsets.size() * 9 / 10], offsets.size());
    }
    for (double at : atSeconds) {
        std::vector<double> near;
        for (const BlockMatch& match : matches) {
            double pieceSeconds = static_cast<double>(match.pieceAt) / listenRate;
            if (match.correlation >= matchedCorrelation && pieceSeconds > at - 3 && pieceSeconds < at + 3)
                near.push_back(
                    firstMoment + static_cast<double>(match.recordedAt) / listenRate - pieceSeconds);
        }
        if (!near.empty())
            std::printf("at %.3f %.6f\n", at, median(near) + at);
    }
    // The music, not silence or noise: most blocks that hold sound match it
    // (the others straddle a stall of the output, or were heard as it
    // stopped).
    return matched > 0 && matched * 2 >= matches.size() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "record") == 0)
        return recordSource(argv[2], argv[3]);
    if (argc >= 4 && std::strcmp(argv[1], "align") == 0) {
        const char* log = nullptr;
        std::vector<double> at;
        for (int i = 4; i < argc; i += 2) {
            if (i + 1 >= argc)
                return usage();
            if (std::strcmp(argv[i], "--at") == 0)
                at.push_back(std::atof(argv[i + 1]));
            else if (std::strcmp(argv[i], "--log") == 0)
                log = argv[i + 1];
            else
                return usage();
        }
        return align(argv[2], argv[3], log, at);
    }
    return usage();
}
