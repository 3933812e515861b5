#include "wave_capture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>

#include <unistd.h>

namespace audiotest {

namespace {

constexpr double kRate = 44100.0;

// The frames of [from, to) seconds, clipped to the file.
std::pair<std::size_t, std::size_t> Frames(const Wave& w, double from, double to) {
    const std::size_t frames =
        w.channels > 0 ? w.samples.size() / static_cast<std::size_t>(w.channels) : 0;
    const auto at = [&](double s) {
        return std::min(frames, static_cast<std::size_t>(std::max(0.0, s) * kRate));
    };
    return {at(from), at(to)};
}

// In-place radix-2 transform; the size is a power of two. `inverse` leaves out the 1/n.
void Fft(std::vector<std::complex<double>>& a, bool inverse) {
    const std::size_t n = a.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) {
            j ^= bit;
        }
        j ^= bit;
        if (i < j) {
            std::swap(a[i], a[j]);
        }
    }
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const double angle = 2.0 * std::numbers::pi / static_cast<double>(len) * (inverse ? 1 : -1);
        const std::complex<double> step = std::polar(1.0, angle);
        for (std::size_t i = 0; i < n; i += len) {
            std::complex<double> w = 1.0;
            for (std::size_t k = 0; k < len / 2; ++k) {
                const std::complex<double> u = a[i + k], v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
                w *= step;
            }
        }
    }
}

}  // namespace

std::vector<double> Correlation(const std::vector<double>& signal,
                                const std::vector<double>& pattern) {
    std::size_t n = 1;
    while (n < signal.size() + pattern.size()) {
        n <<= 1;
    }
    std::vector<std::complex<double>> a(n), b(n);
    std::copy(signal.begin(), signal.end(), a.begin());
    std::copy(pattern.begin(), pattern.end(), b.begin());
    Fft(a, false);
    Fft(b, false);
    for (std::size_t i = 0; i < n; ++i) {
        a[i] *= std::conj(b[i]);
    }
    Fft(a, true);
    std::vector<double> out(signal.size());
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = std::abs(a[i].real()) / static_cast<double>(n);
    }
    return out;
}

void WriteWaveConfig(const std::string& conf, const std::string& wave) {
    std::ofstream c(conf);
    c << "[general]\ndrivers=wave\nsample-type=int16\nchannels=stereo\nfrequency=44100\n"
         "hrtf=false\n[wave]\nfile="
      << wave << "\n";
}

std::string UseWaveOutput() {
    // Test programs may run side by side, each with its own output.
    const std::string dir = testing::TempDir();
    const std::string own = std::to_string(getpid());
    const std::string wave = dir + "zorvane_audio_out_" + own + ".wav";
    const std::string conf = dir + "zorvane_alsoft_" + own + ".conf";
    std::remove(wave.c_str());
    WriteWaveConfig(conf, wave);
    static std::string files[2];
    if (files[0].empty()) {
        std::atexit([] {
            for (const std::string& file : files) {
                std::remove(file.c_str());
            }
        });
    }
    files[0] = wave;
    files[1] = conf;
    setenv("ALSOFT_CONF", conf.c_str(), 1);
    setenv("ALSOFT_DRIVERS", "wave", 1);
    return wave;
}

Wave ReadWave(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), {}};
    Wave w;
    std::size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const std::uint32_t size = bytes[at + 4] | bytes[at + 5] << 8 | bytes[at + 6] << 16 |
                                   static_cast<std::uint32_t>(bytes[at + 7]) << 24;
        const std::string id(bytes.begin() + at, bytes.begin() + at + 4);
        if (id == "fmt " && at + 10 < bytes.size()) {
            w.channels = bytes[at + 10];
        } else if (id == "data") {
            const std::size_t n = std::min<std::size_t>(size, bytes.size() - at - 8) / 2;
            for (std::size_t i = 0; i < n; ++i) {
                w.samples.push_back(
                    static_cast<std::int16_t>(bytes[at + 8 + 2 * i] | bytes[at + 9 + 2 * i] << 8));
            }
            break;
        }
        at += 8 + size + (size & 1);
    }
    return w;
}

double Level(const Wave& w, int channel, double from, double to) {
    const auto [a, b] = Frames(w, from, to);
    double sum = 0;
    for (std::size_t i = a; i < b; ++i) {
        const double v = w.samples[i * w.channels + channel] / 32768.0;
        sum += v * v;
    }
    return b > a ? std::sqrt(sum / static_cast<double>(b - a)) : 0.0;
}

double ToneLevel(const Wave& w, int channel, double frequency, double from, double to) {
    const auto [a, b] = Frames(w, from, to);
    std::complex<double> sum = 0;
    const double step = 2.0 * std::numbers::pi * frequency / kRate;
    for (std::size_t i = a; i < b; ++i) {
        const double v = w.samples[i * w.channels + channel] / 32768.0;
        sum += v * std::polar(1.0, -step * static_cast<double>(i));
    }
    return b > a ? 2.0 * std::abs(sum) / static_cast<double>(b - a) : 0.0;
}

}  // namespace audiotest
