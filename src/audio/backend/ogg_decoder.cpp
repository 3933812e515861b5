#include "audio/backend/ogg_decoder.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstring>
#include <limits>

namespace audio::backend {
namespace {

// Far more than Vorbis ever packs into a byte (our quietest sound, near silence, packs 34).
constexpr std::size_t kSamplesPerByte = 64;

struct MemoryReader {
    const unsigned char* data;
    std::size_t size;
    std::size_t pos;
};

size_t readMemory(void* dst, size_t size, size_t count, void* source) {
    auto* reader = static_cast<MemoryReader*>(source);
    if (size == 0) {
        return 0;
    }
    const std::size_t left = reader->size - reader->pos;
    std::size_t n = count;
    if (n > left / size) {
        n = left / size;
    }
    std::memcpy(dst, reader->data + reader->pos, n * size);
    reader->pos += n * size;
    return n;
}

int seekMemory(void* source, ogg_int64_t offset, int whence) {
    auto* reader = static_cast<MemoryReader*>(source);
    ogg_int64_t base = 0;
    if (whence == SEEK_CUR) {
        base = static_cast<ogg_int64_t>(reader->pos);
    } else if (whence == SEEK_END) {
        base = static_cast<ogg_int64_t>(reader->size);
    } else if (whence != SEEK_SET) {
        return -1;
    }
    const ogg_int64_t target = base + offset;
    if (target < 0 || target > static_cast<ogg_int64_t>(reader->size)) {
        return -1;
    }
    reader->pos = static_cast<std::size_t>(target);
    return 0;
}

long tellMemory(void* source) {
    return static_cast<long>(static_cast<MemoryReader*>(source)->pos);
}

const ov_callbacks kMemoryCallbacks{readMemory, seekMemory, nullptr, tellMemory};

// One or two channels at a rate a mixer takes.
bool Playable(const vorbis_info* info) {
    return info != nullptr && (info->channels == 1 || info->channels == 2) && info->rate > 0 &&
           info->rate <= 192000;
}

// True when the data is one logical stream of whole pages and nothing else: every page's
// checksum holds, the pages follow each other without a gap, the first opens the stream and the
// last closes it. libvorbisfile steps over a damaged page and plays a stream cut short up to the
// cut, so a file that lost a part would otherwise play in part.
bool WholePages(const void* data, std::size_t size) {
    if (size > static_cast<std::size_t>(std::numeric_limits<long>::max())) {
        return false;
    }
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    bool whole = false;
    if (char* buffer = ogg_sync_buffer(&sync, static_cast<long>(size))) {
        std::memcpy(buffer, data, size);
        ogg_sync_wrote(&sync, static_cast<long>(size));
        whole = true;
        bool closed = false;
        long pages = 0;
        long firstNumber = 0;
        int serial = 0;
        ogg_page page;
        // Positive: a page; negative: bytes skipped that were no page (or failed the checksum);
        // zero: the rest is no whole page.
        for (long step = ogg_sync_pageseek(&sync, &page); whole && step != 0;
             step = ogg_sync_pageseek(&sync, &page)) {
            // The page is only filled in where one was found.
            if (step < 0 || closed) {
                whole = false;
                break;
            }
            const bool first = pages == 0;
            if (first) {
                firstNumber = ogg_page_pageno(&page);
                serial = ogg_page_serialno(&page);
            }
            whole = (ogg_page_bos(&page) != 0) == first && ogg_page_serialno(&page) == serial &&
                    ogg_page_pageno(&page) == firstNumber + pages;
            closed = ogg_page_eos(&page) != 0;
            ++pages;
        }
        whole = whole && closed && sync.returned == sync.fill;
    }
    ogg_sync_clear(&sync);
    return whole;
}

// Opens data of whole pages (see WholePages) for decoding from `reader`, which must outlive
// `file`; a file that failed to open holds nothing to clear.
bool OpenWhole(const void* data, std::size_t size, MemoryReader& reader, OggVorbis_File& file) {
    if (data == nullptr || size == 0 || !WholePages(data, size)) {
        return false;
    }
    reader = MemoryReader{static_cast<const unsigned char*>(data), size, 0};
    return ov_open_callbacks(&reader, &file, nullptr, 0, kMemoryCallbacks) == 0;
}

// The stream's samples block by block to `take` (16-bit, interleaved, as decoded), which
// answers false to give up. False for anything but a complete, non-empty stream of one or two
// channels whose layout never changes; `channels` and `rate` then say its layout.
template <typename Take>
bool Walk(const void* data, std::size_t size, int& channels, long& rate, Take&& take) {
    channels = 0;
    rate = 0;
    MemoryReader reader{nullptr, 0, 0};
    OggVorbis_File file;
    if (!OpenWhole(data, size, reader, file)) {
        return false;
    }
    const vorbis_info* info = ov_info(&file, -1);
    bool ok = Playable(info);
    if (ok) {
        channels = info->channels;
        rate = info->rate;
        ok = take.Begin(ov_pcm_total(&file, -1), channels, rate);
    }
    std::size_t total = 0;
    char buffer[8192];
    while (ok) {
        int section = 0;
        const long got = ov_read(&file, buffer, sizeof buffer, 0, 2, 1, &section);
        if (got == 0) {
            break;
        }
        const vorbis_info* now = ov_info(&file, section);
        if (got < 0 || now == nullptr || now->channels != channels || now->rate != rate) {
            ok = false;
            break;
        }
        const std::size_t count = static_cast<std::size_t>(got) / 2;
        total += count;
        ok = total <= kMaxDecodedSamples &&
             take.Block(reinterpret_cast<const std::int16_t*>(buffer), count);
    }
    ov_clear(&file);
    return ok && total > 0 && total % static_cast<std::size_t>(channels) == 0;
}

// Keeps every sample.
struct Keep {
    std::vector<std::int16_t>& samples;
    std::size_t size;

    bool Begin(ogg_int64_t frames, int channels, long) {
        // The stream's own length sizes the samples once, so a sound is never held twice while
        // its buffer grows. The length is only the last page's word, so no more is taken on
        // trust than the file's size could hold.
        if (frames > 0) {
            const auto claimed =
                static_cast<std::size_t>(frames) * static_cast<std::size_t>(channels);
            samples.reserve(std::min({claimed, kMaxDecodedSamples, size * kSamplesPerByte}));
        }
        return true;
    }
    bool Block(const std::int16_t* block, std::size_t count) {
        samples.insert(samples.end(), block, block + count);
        return true;
    }
};

}  // namespace

bool DecodeOgg(const void* data, std::size_t size, bool mono, DecodedSound& out) {
    out = DecodedSound{};
    Keep keep{out.samples, size};
    if (!Walk(data, size, out.channels, out.rate, keep)) {
        out = DecodedSound{};
        return false;
    }
    if (mono && out.channels == 2) {
        out.samples.resize(FoldToMono(out.samples.data(), out.samples.size() / 2));
        out.channels = 1;
    }
    return true;
}

bool ProbeOgg(const void* data, std::size_t size, bool mono, OggLayout& out) {
    out = OggLayout{};
    MemoryReader reader{nullptr, 0, 0};
    OggVorbis_File file;
    if (!OpenWhole(data, size, reader, file)) {
        return false;
    }
    const vorbis_info* info = ov_info(&file, -1);
    const ogg_int64_t frames = ov_pcm_total(&file, -1);
    const bool ok = Playable(info) && ov_streams(&file) == 1 && frames > 0;
    if (ok) {
        out.fold = mono && info->channels == 2;
        out.channels = out.fold ? 1 : info->channels;
        out.rate = info->rate;
        out.frames = static_cast<std::size_t>(frames);
    }
    ov_clear(&file);
    return ok;
}

std::size_t FoldToMono(std::int16_t* samples, std::size_t frames) {
    for (std::size_t i = 0; i < frames; ++i) {
        const int sum = samples[2 * i] + samples[2 * i + 1];
        samples[i] = static_cast<std::int16_t>(sum / 2);
    }
    return frames;
}

struct OggStream::State {
    std::shared_ptr<const std::vector<unsigned char>> bytes;
    MemoryReader reader{nullptr, 0, 0};
    OggVorbis_File file{};
    int sourceChannels = 0;
    bool fold = false;
    long rate = 0;

    ~State() { ov_clear(&file); }
};

std::unique_ptr<OggStream> OggStream::Open(std::shared_ptr<const std::vector<unsigned char>> bytes,
                                           bool fold) {
    if (bytes == nullptr || bytes->empty()) {
        return nullptr;
    }
    auto state = std::make_unique<State>();
    state->bytes = std::move(bytes);
    state->reader = MemoryReader{state->bytes->data(), state->bytes->size(), 0};
    if (ov_open_callbacks(&state->reader, &state->file, nullptr, 0, kMemoryCallbacks) != 0) {
        // A file that failed to open holds nothing to clear.
        std::memset(&state->file, 0, sizeof state->file);
        return nullptr;
    }
    const vorbis_info* info = ov_info(&state->file, -1);
    if (!Playable(info)) {
        return nullptr;
    }
    state->sourceChannels = info->channels;
    state->fold = fold && info->channels == 2;
    state->rate = info->rate;
    return std::unique_ptr<OggStream>(new OggStream(std::move(state)));
}

OggStream::OggStream(std::unique_ptr<State> state) : state_(std::move(state)) {}

OggStream::~OggStream() = default;

int OggStream::channels() const {
    return state_->fold ? 1 : state_->sourceChannels;
}

long OggStream::rate() const {
    return state_->rate;
}

void OggStream::Rewind() {
    ov_pcm_seek(&state_->file, 0);
}

std::size_t OggStream::Read(std::int16_t* out, std::size_t frames, bool loop) {
    const std::size_t frameBytes = static_cast<std::size_t>(state_->sourceChannels) * 2;
    std::int16_t block[4096];
    std::size_t done = 0;
    // A pass from the start that yields nothing ends the read, so a stream gone bad can't spin.
    bool fresh = false;
    while (done < frames) {
        const std::size_t want = std::min(frames - done, sizeof block / frameBytes) * frameBytes;
        int section = 0;
        const long got = ov_read(&state_->file, reinterpret_cast<char*>(block),
                                 static_cast<int>(want), 0, 2, 1, &section);
        if (got < 0) {
            break;
        }
        if (got == 0) {
            if (!loop || fresh || ov_pcm_seek(&state_->file, 0) != 0) {
                break;
            }
            fresh = true;
            continue;
        }
        fresh = false;
        const std::size_t count = static_cast<std::size_t>(got) / frameBytes;
        if (state_->fold) {
            FoldToMono(block, count);
        }
        std::memcpy(out + done * static_cast<std::size_t>(channels()), block,
                    count * static_cast<std::size_t>(channels()) * 2);
        done += count;
    }
    return done;
}

}  // namespace audio::backend
