// Times of the media reads the start-up depends on, each the median of repeated runs:
// one open of the last entry of an 80-entry, 10 MB archive (the walk from the start, the copy
// and the CRC check).
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "vfs/rar_archive.h"
#include "vfs/rar_writer.h"

namespace {

using Clock = std::chrono::steady_clock;

template <typename Work>
double medianMicroseconds(int runs, Work work) {
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(runs));
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::nth_element(times.begin(), times.begin() + runs / 2, times.end());
    return times[static_cast<std::size_t>(runs / 2)];
}

std::vector<std::uint8_t> archiveImage(int entries, std::uint32_t totalBytes) {
    vfs::RarWriter writer;
    writer.addFolder("Media");
    std::vector<std::uint8_t> bytes(totalBytes / static_cast<std::uint32_t>(entries));
    std::uint32_t seed = 1;
    for (int i = 0; i < entries; ++i) {
        for (auto& b : bytes) {
            seed = seed * 1664525u + 1013904223u;
            b = static_cast<std::uint8_t>(seed >> 24);
        }
        writer.addFile("Media\\file" + std::to_string(i) + ".bin", bytes);
    }
    return writer.finish();
}

}  // namespace

int main() {
    constexpr int kEntries = 80;
    constexpr std::uint32_t kTotal = 10'000'000;
    const std::vector<std::uint8_t> image = archiveImage(kEntries, kTotal);
    vfs::RarArchive archive;
    if (!archive.mount(vfs::FileSource(image.data(), static_cast<std::uint32_t>(image.size())))) {
        std::fprintf(stderr, "mount failed\n");
        return 1;
    }
    const std::string last = "Media/file" + std::to_string(kEntries - 1) + ".bin";
    bool ok = true;
    const double openLast = medianMicroseconds(201, [&] { ok = ok && archive.open(last, 1); });
    const double openFirst =
        medianMicroseconds(201, [&] { ok = ok && archive.open("Media/file0.bin", 1); });
    const double missing =
        medianMicroseconds(201, [&] { ok = ok && !archive.open("Media/absent.bin", 1); });
    if (!ok) {
        std::fprintf(stderr, "lookup failed\n");
        return 1;
    }
    std::printf("archive: %d entries, %zu bytes\n", kEntries, image.size());
    std::printf("open last entry:  median %.1f us\n", openLast);
    std::printf("open first entry: median %.1f us\n", openFirst);
    std::printf("open absent name: median %.1f us\n", missing);
    return 0;
}
