// OpenAL Soft's wave file output for tests, and levels read back from the rendered file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace audiotest {

struct Wave {
    int channels = 0;
    std::vector<std::int16_t> samples;  // interleaved
};

// Writes an OpenAL Soft configuration file `conf` that renders into the wave file `wave`, 16-bit
// stereo at 44100 Hz.
void WriteWaveConfig(const std::string& conf, const std::string& wave);

// Points OpenAL Soft at a 16-bit stereo 44100 Hz wave file in the test folder (before the first
// device is opened) and removes an earlier one; returns the file's path. The file is complete
// once the device is closed.
std::string UseWaveOutput();

// The samples of a 16-bit PCM wave file; empty when there are none.
Wave ReadWave(const std::string& path);

// Root mean square of one channel over [from, to) seconds, full scale 1.0.
double Level(const Wave& wave, int channel, double from, double to);
// Amplitude of the component at `frequency` Hz in one channel over [from, to) seconds.
double ToneLevel(const Wave& wave, int channel, double frequency, double from, double to);

// How strongly `pattern` appears at each offset of `signal`: the magnitude of their
// cross-correlation, one value per sample of `signal`.
std::vector<double> Correlation(const std::vector<double>& signal,
                                const std::vector<double>& pattern);

}  // namespace audiotest
