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

}  // namespace

bool DecodeOgg(const void* data, std::size_t size, bool mono, DecodedSound& out) {
    out = DecodedSound{};
    if (data == nullptr || size == 0 || !EndsWithLastPage(data, size)) {
        return false;
    }
    MemoryReader reader{static_cast<const unsigned char*>(data), size, 0};
    const ov_callbacks callbacks{readMemory, seekMemory, nullptr, tellMemory};
    OggVorbis_File file;
    if (ov_open_callbacks(&reader, &file, nullptr, 0, callbacks) != 0) {
        return false;
    }
    const vorbis_info* info = ov_info(&file, -1);
    bool ok = info != nullptr && (info->channels == 1 || info->channels == 2) && info->rate > 0 &&
              info->rate <= 192000;
    const int channels = ok ? info->channels : 0;
    const long rate = ok ? info->rate : 0;
    // The stream's own length sizes the samples once, so a long piece of music is never held
    // twice while its buffer grows. The length is only the last page's word, so no more is
    // taken on trust than the file's size could hold.
    if (ok) {
        const ogg_int64_t frames = ov_pcm_total(&file, -1);
        if (frames > 0) {
            const std::size_t claimed = static_cast<std::size_t>(frames) *
                                        static_cast<std::size_t>(channels);
            out.samples.reserve(std::min({claimed, kMaxDecodedSamples, size * kSamplesPerByte}));
        }
    }
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
        if (out.samples.size() + count > kMaxDecodedSamples) {
            ok = false;
            break;
        }
        const std::size_t at = out.samples.size();
        out.samples.resize(at + count);
        std::memcpy(out.samples.data() + at, buffer, count * 2);
    }
    ov_clear(&file);
    const std::size_t frameSize = static_cast<std::size_t>(channels);
    if (!ok || out.samples.empty() || out.samples.size() % frameSize != 0) {
        out = DecodedSound{};
        return false;
    }
    out.channels = channels;
    out.rate = rate;
    if (mono && channels == 2) {
        const std::size_t frames = out.samples.size() / 2;
        for (std::size_t i = 0; i < frames; ++i) {
            const int sum = out.samples[2 * i] + out.samples[2 * i + 1];
            out.samples[i] = static_cast<std::int16_t>(sum / 2);
        }
        out.samples.resize(frames);
        out.channels = 1;
    }
    return true;
}

}  // namespace audio::backend
