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

// True when the data ends with the whole page that closes its stream. libvorbisfile plays a
// stream cut short up to the cut, so a file that lost its end would otherwise play in part.
bool EndsWithLastPage(const void* data, std::size_t size) {
    if (size > static_cast<std::size_t>(std::numeric_limits<long>::max())) {
        return false;
    }
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    bool last = false;
    if (char* buffer = ogg_sync_buffer(&sync, static_cast<long>(size))) {
        std::memcpy(buffer, data, size);
        ogg_sync_wrote(&sync, static_cast<long>(size));
        ogg_page page;
        // Positive: a page; negative: bytes skipped that were no page; zero: the rest is no
        // whole page.
        for (long step = ogg_sync_pageseek(&sync, &page); step != 0;
             step = ogg_sync_pageseek(&sync, &page)) {
            last = step > 0 && ogg_page_eos(&page) != 0;
        }
        last = last && sync.returned == sync.fill;
    }
    ogg_sync_clear(&sync);
    return last;
}

// The stream's samples block by block to `take` (16-bit, interleaved, as decoded), which
// answers false to give up. False for anything but a complete, non-empty stream of one or two
// channels whose layout never changes; `channels` and `rate` then say its layout.
template <typename Take>
bool Walk(const void* data, std::size_t size, int& channels, long& rate, Take&& take) {
    channels = 0;
    rate = 0;
    if (data == nullptr || size == 0 || !EndsWithLastPage(data, size)) {
        return false;
    }
    MemoryReader reader{static_cast<const unsigned char*>(data), size, 0};
    OggVorbis_File file;
    if (ov_open_callbacks(&reader, &file, nullptr, 0, kMemoryCallbacks) != 0) {
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

// Counts every sample and keeps them while the sound is no longer than `keepSeconds`; past that
// it lets go of what it kept.
struct KeepUpTo {
    std::vector<std::int16_t>& samples;
    std::size_t size;
    std::size_t keepSeconds;
    std::size_t limit = 0;  // samples, once the layout is known
    std::size_t total = 0;

    bool Begin(ogg_int64_t frames, int channels, long rate) {
        const auto width = static_cast<std::size_t>(channels);
        const auto perSecond = static_cast<std::size_t>(rate) * width;
        limit = keepSeconds > kMaxDecodedSamples / perSecond ? kMaxDecodedSamples
                                                             : keepSeconds * perSecond;
        // The stream's own length sizes the samples once, so a long piece of music is never
        // held twice while its buffer grows. The length is only the last page's word, so no
        // more is taken on trust than the file's size could hold.
        if (frames > 0) {
            const std::size_t claimed = static_cast<std::size_t>(frames) * width;
            if (claimed <= limit) {
                samples.reserve(std::min({claimed, kMaxDecodedSamples, size * kSamplesPerByte}));
            }
        }
        return true;
    }
    bool Block(const std::int16_t* block, std::size_t count) {
        total += count;
        if (total <= limit) {
            samples.insert(samples.end(), block, block + count);
        } else if (samples.capacity() > 0) {
            std::vector<std::int16_t>().swap(samples);
        }
        return true;
    }
};

}  // namespace

bool DecodeOggUpTo(const void* data, std::size_t size, bool mono, std::size_t keepSeconds,
                   DecodedSound& out, OggLayout& layout) {
    out = DecodedSound{};
    layout = OggLayout{};
    KeepUpTo keep{out.samples, size, keepSeconds};
    if (!Walk(data, size, layout.channels, layout.rate, keep)) {
        out = DecodedSound{};
        layout = OggLayout{};
        return false;
    }
    layout.frames = keep.total / static_cast<std::size_t>(layout.channels);
    layout.fold = mono && layout.channels == 2;
    if (!out.samples.empty()) {
        out.channels = layout.channels;
        out.rate = layout.rate;
        if (layout.fold) {
            out.samples.resize(FoldToMono(out.samples.data(), layout.frames));
            out.channels = 1;
        }
    }
    if (layout.fold) {
        layout.channels = 1;
    }
    return true;
}

bool DecodeOgg(const void* data, std::size_t size, bool mono, DecodedSound& out) {
    OggLayout layout;
    return DecodeOggUpTo(data, size, mono, kMaxDecodedSamples, out, layout);
}

bool ProbeOgg(const void* data, std::size_t size, bool mono, OggLayout& out) {
    DecodedSound none;
    return DecodeOggUpTo(data, size, mono, 0, none, out);
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

std::unique_ptr<OggStream> OggStream::Open(
    std::shared_ptr<const std::vector<unsigned char>> bytes, bool fold) {
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
