// The listening tests' yardstick: finding a piece in a recording of it, to
// the sample, across the gaps a stalled output leaves.
#include "support.h"

#include "tools/listen/listen.h"

#include <cmath>
#include <random>

namespace {

// Two seconds of a piece that does not repeat itself: tones gliding over
// noise, at listenRate.
std::vector<float> makePiece(size_t frames)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<float> noise(-0.2f, 0.2f);
    std::vector<float> piece(frames);
    double phase = 0;
    for (size_t i = 0; i < frames; i++) {
        phase += 2 * 3.14159265358979 * (220.0 + 0.01 * static_cast<double>(i)) / listenRate;
        piece[i] = 0.5f * static_cast<float>(std::sin(phase)) + noise(random);
    }
    return piece;
}

}  // namespace

TEST(ListenAlignment, FindsThePieceToTheSampleAndFollowsAGap)
{
    std::vector<float> piece = makePiece(4 * listenRate);
    // The recording: 0.3 s of silence, the piece's first 1.5 s, a gap of
    // 1234 samples where the output stalled, then the rest, a little quieter
    // and rounded to 16 bits as a sound server would.
    const size_t lead = 13230, cut = 66150, gap = 1234;
    std::vector<float> recorded(lead, 0.0f);
    for (size_t i = 0; i < piece.size(); i++) {
        if (i == cut)
            recorded.insert(recorded.end(), gap, 0.0f);
        recorded.push_back(std::round(piece[i] * 0.8f * 32767.0f) / 32767.0f);
    }

    // The whole recording's best lag is that of its longer part, after the gap.
    long lag = 0;
    ASSERT_TRUE(findLag(recorded, piece, lag));
    EXPECT_EQ(lag, static_cast<long>(lead + gap));

    std::vector<BlockMatch> matches = matchBlocks(recorded, piece, lag, 4096, 441, listenRate);
    size_t matched = 0;
    for (const BlockMatch& match : matches) {
        size_t end = match.recordedAt + 4096;
        if (match.recordedAt < lead || (match.recordedAt < lead + cut + gap && end > lead + cut))
            continue;  // silence, or a block across the gap: no exact match expected
        long expected = static_cast<long>(match.recordedAt) - static_cast<long>(lead) -
            (match.recordedAt >= lead + cut ? static_cast<long>(gap) : 0);
        EXPECT_EQ(match.pieceAt, expected) << match.recordedAt;
        EXPECT_GE(match.correlation, matchedCorrelation) << match.recordedAt;
        matched++;
    }
    EXPECT_GE(matched, (recorded.size() - lead) / 4096 - 3);

    EXPECT_DOUBLE_EQ(median({3.0, 1.0, 2.0}), 2.0);
}

TEST(ListenAlignment, NoiseMatchesNothing)
{
    std::vector<float> piece = makePiece(2 * listenRate);
    std::mt19937 random(11);
    std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
    std::vector<float> recorded(2 * listenRate);
    for (float& sample : recorded)
        sample = noise(random);
    long lag = 0;
    ASSERT_TRUE(findLag(recorded, piece, lag));
    for (const BlockMatch& match : matchBlocks(recorded, piece, lag, 4096, 441, listenRate))
        EXPECT_LT(match.correlation, 0.5) << match.recordedAt;
}
