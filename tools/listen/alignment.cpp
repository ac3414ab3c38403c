// alignment.cpp: where a recording lies in the piece it recorded: the
// whole recording against the piece by cross-correlation (FFTW), then block
// by block to the sample by normalised correlation.
#include "tools/listen/listen.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <complex>

namespace {

// The normalised correlation of a[0, n) and b[0, n).
double correlate(const float* a, const float* b, size_t n)
{
    double ab = 0, aa = 0, bb = 0;
    for (size_t i = 0; i < n; i++) {
        ab += static_cast<double>(a[i]) * b[i];
        aa += static_cast<double>(a[i]) * a[i];
        bb += static_cast<double>(b[i]) * b[i];
    }
    if (aa <= 0 || bb <= 0)
        return 0;
    return ab / std::sqrt(aa * bb);
}

}  // namespace

bool findLag(const std::vector<float>& recorded, const std::vector<float>& piece, long& lag)
{
    size_t pieceSize = piece.size();
    if (recorded.empty() || pieceSize == 0)
        return false;
    size_t size = 1;
    while (size < recorded.size() + pieceSize)
        size *= 2;
    size_t bins = size / 2 + 1;
    float* signal = fftwf_alloc_real(size);
    fftwf_complex* recordedSpectrum = fftwf_alloc_complex(bins);
    fftwf_complex* pieceSpectrum = fftwf_alloc_complex(bins);
    fftwf_plan forward =
        fftwf_plan_dft_r2c_1d(static_cast<int>(size), signal, recordedSpectrum, FFTW_ESTIMATE);
    fftwf_plan backward =
        fftwf_plan_dft_c2r_1d(static_cast<int>(size), recordedSpectrum, signal, FFTW_ESTIMATE);

    std::fill(signal, signal + size, 0.0f);
    std::copy(recorded.begin(), recorded.end(), signal);
    fftwf_execute_dft_r2c(forward, signal, recordedSpectrum);
    std::fill(signal, signal + size, 0.0f);
    std::copy(piece.begin(), piece.begin() + static_cast<long>(pieceSize), signal);
    fftwf_execute_dft_r2c(forward, signal, pieceSpectrum);
    // The correlation's spectrum, recorded x conj(piece): entry k of its
    // inverse is the lag k, modulo size.
    for (size_t i = 0; i < bins; i++) {
        std::complex<float> r(recordedSpectrum[i][0], recordedSpectrum[i][1]);
        std::complex<float> p(pieceSpectrum[i][0], pieceSpectrum[i][1]);
        std::complex<float> c = r * std::conj(p);
        recordedSpectrum[i][0] = c.real();
        recordedSpectrum[i][1] = c.imag();
    }
    fftwf_execute_dft_c2r(backward, recordedSpectrum, signal);
    size_t best = 0;
    for (size_t k = 1; k < size; k++)
        if (signal[k] > signal[best])
            best = k;
    lag = best < size / 2 ? static_cast<long>(best) : static_cast<long>(best) - static_cast<long>(size);

    fftwf_destroy_plan(forward);
    fftwf_destroy_plan(backward);
    fftwf_free(signal);
    fftwf_free(recordedSpectrum);
    fftwf_free(pieceSpectrum);
    return true;
}

namespace {

// The piece's sample in [pieceAt - search, pieceAt + search] that recorded
// block [at, at + blockSize) correlates best with.
BlockMatch bestMatch(const std::vector<float>& recorded, const std::vector<float>& piece, size_t at,
    size_t blockSize, long pieceAt, long search)
{
    BlockMatch match{at, 0, -2};
    for (long p = std::max(0L, pieceAt - search); p <= pieceAt + search; p++) {
        if (static_cast<size_t>(p) + blockSize > piece.size())
            break;
        double c = correlate(recorded.data() + at, piece.data() + p, blockSize);
        if (c > match.correlation) {
            match.correlation = c;
            match.pieceAt = p;
        }
    }
    return match;
}

}  // namespace

std::vector<BlockMatch> matchBlocks(const std::vector<float>& recorded, const std::vector<float>& piece,
    long lag, size_t blockSize, long search, long gapSearch)
{
    std::vector<BlockMatch> matches;
    for (size_t at = 0; at + blockSize <= recorded.size(); at += blockSize) {
        double energy = 0;
        for (size_t i = at; i < at + blockSize; i++)
            energy += static_cast<double>(recorded[i]) * recorded[i];
        if (energy / static_cast<double>(blockSize) < 1e-6)  // quieter than -60 dBFS: nothing to match
            continue;
        // piece[p] = recorded[p + lag]: the block's piece samples start at at - lag.
        long pieceAt = static_cast<long>(at) - lag;
        BlockMatch match = bestMatch(recorded, piece, at, blockSize, pieceAt, search);
        if (match.correlation < matchedCorrelation) {
            // A gap (or a skip) in what was heard: look further, by the
            // cross-correlation of the block with the piece around it.
            long from = std::max(0L, pieceAt - gapSearch);
            long to =
                std::min(static_cast<long>(piece.size()), pieceAt + gapSearch + static_cast<long>(blockSize));
            long windowLag = 0;
            if (from < to &&
                findLag(std::vector<float>(recorded.begin() + static_cast<long>(at),
                            recorded.begin() + static_cast<long>(at + blockSize)),
                    std::vector<float>(piece.begin() + from, piece.begin() + to), windowLag)) {
                BlockMatch wide = bestMatch(recorded, piece, at, blockSize, from - windowLag, 2);
                if (wide.correlation > match.correlation)
                    match = wide;
            }
        }
        if (match.correlation <= -2)
            continue;
        matches.push_back(match);
        if (match.correlation >= matchedCorrelation)
            lag = static_cast<long>(at) - match.pieceAt;
    }
    return matches;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::nth_element(values.begin(), values.begin() + static_cast<long>(values.size() / 2), values.end());
    return values[values.size() / 2];
}
