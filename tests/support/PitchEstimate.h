#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

// The voice's typical tone in Hz: the median over voiced 40 ms frames (every 20 ms) of the lag
// with the strongest autocorrelation between 60 and 400 Hz. Crude, but it tells a voice
// raised or lowered by a few semitones from the same voice unchanged.
inline double medianPitch(const std::vector<int16_t> &input, int sampleRate)
{
    // Half the rate (pairs averaged) is plenty for a voice's tone, and four times faster.
    std::vector<int16_t> samples(input.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = int16_t((int(input[2 * i]) + input[2 * i + 1]) / 2);
    sampleRate /= 2;
    const size_t frame = size_t(sampleRate / 25);
    const size_t hop = size_t(sampleRate / 50);
    const size_t minLag = size_t(sampleRate / 400);
    const size_t maxLag = size_t(sampleRate / 60);
    std::vector<double> found;
    for (size_t at = 0; at + frame + maxLag < samples.size(); at += hop) {
        double energy = 0;
        for (size_t i = 0; i < frame; ++i)
            energy += double(samples[at + i]) * samples[at + i];
        if (energy / double(frame) < 300.0 * 300.0)
            continue; // silence or a quiet consonant
        double best = 0;
        size_t bestLag = 0;
        for (size_t lag = minLag; lag <= maxLag; ++lag) {
            double product = 0;
            double other = 0;
            for (size_t i = 0; i < frame; ++i) {
                product += double(samples[at + i]) * samples[at + i + lag];
                other += double(samples[at + i + lag]) * samples[at + i + lag];
            }
            const double r = product / std::sqrt(energy * other + 1);
            if (r > best) {
                best = r;
                bestLag = lag;
            }
        }
        if (best > 0.6)
            found.push_back(double(sampleRate) / double(bestLag));
    }
    if (found.empty())
        return 0;
    std::nth_element(found.begin(), found.begin() + long(found.size() / 2), found.end());
    return found[found.size() / 2];
}
