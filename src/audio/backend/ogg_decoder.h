// Ogg Vorbis in memory decoded into 16-bit interleaved samples: once and whole, or a block at a
// time while it plays.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace audio::backend {

struct DecodedSound {
    std::vector<std::int16_t> samples;  // interleaved
    int channels = 0;                   // 1 or 2
    long rate = 0;
};

// Caps the decoded size so a small file can't claim an unbounded allocation.
constexpr std::size_t kMaxDecodedSamples = 32u * 1024u * 1024u;

// False for anything but a complete, non-empty Vorbis stream of one or two channels: one logical
// stream of whole pages, from the page that opens it to the page that closes it; mono folds two
// channels into one.
bool DecodeOgg(const void* data, std::size_t size, bool mono, DecodedSound& out);

// What a whole stream holds, read from its headers and its last page.
struct OggLayout {
    int channels = 0;  // as played: 1 where two are folded into one
    long rate = 0;
    std::size_t frames = 0;
    bool fold = false;  // two channels folded into one
};

// The test a sound streamed as it plays passes when it loads, without decoding it: the same
// whole pages of one stream that DecodeOgg asks for, its headers, its layout and a length. It
// accepts every file DecodeOgg accepts; a file it accepts whose sound can't be decoded plays as
// silence where the sound fails.
bool ProbeOgg(const void* data, std::size_t size, bool mono, OggLayout& out);

// Folds interleaved stereo frames into mono ones in place; returns the frame count.
std::size_t FoldToMono(std::int16_t* samples, std::size_t frames);

// A stream that ProbeOgg accepted, decoded as it plays from bytes it shares with its sample.
class OggStream {
public:
    // Null when the bytes can't be opened.
    static std::unique_ptr<OggStream> Open(std::shared_ptr<const std::vector<unsigned char>> bytes,
                                           bool fold);
    ~OggStream();
    OggStream(const OggStream&) = delete;
    OggStream& operator=(const OggStream&) = delete;

    int channels() const;
    long rate() const;
    // Up to `frames` frames into `out`, starting again from the beginning at the end when `loop`;
    // fewer only at the end of a stream that does not loop, or where the data fails.
    std::size_t Read(std::int16_t* out, std::size_t frames, bool loop);
    void Rewind();

private:
    struct State;
    explicit OggStream(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

}  // namespace audio::backend
