#include "audio/backend/ogg_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "ogg_writer.h"

namespace {

using audio::backend::DecodedSound;
using audio::backend::DecodeOgg;
using audio::backend::OggLayout;
using audio::backend::OggStream;
using audio::backend::ProbeOgg;

double Peak(const DecodedSound& s) {
    int peak = 0;
    for (std::int16_t v : s.samples) {
        peak = std::max(peak, std::abs(static_cast<int>(v)));
    }
    return peak / 32768.0;
}

TEST(OggDecoder, DecodesLayoutLengthAndLevel) {
    struct Case {
        int channels;
        bool mono;
        int expectChannels;
    };
    for (const Case c :
         {Case{1, false, 1}, Case{2, false, 2}, Case{2, true, 1}, Case{1, true, 1}}) {
        const auto ogg = audiotest::EncodeTone(c.channels, 440.0, 0.5, 0.5);
        DecodedSound s;
        ASSERT_TRUE(DecodeOgg(ogg.data(), ogg.size(), c.mono, s)) << c.channels << c.mono;
        EXPECT_EQ(s.channels, c.expectChannels);
        EXPECT_EQ(s.rate, 44100);
        EXPECT_EQ(s.samples.size(), static_cast<std::size_t>(22050 * c.expectChannels));
        EXPECT_NEAR(Peak(s), 0.5, 0.05);
    }
}

TEST(OggDecoder, DamagedInputFailsWithNothingKept) {
    const auto good = audiotest::EncodeTone(2, 440.0, 0.5, 0.3);
    auto truncatedHeader = good;
    truncatedHeader.resize(40);
    auto badMagic = good;
    badMagic[0] = 'X';
    auto noisyHeaders = good;
    for (std::size_t i = 28; i < 200 && i < noisyHeaders.size(); ++i) {
        noisyHeaders[i] ^= 0x5A;
    }
    const std::vector<unsigned char> text{'h', 'e', 'l', 'l', 'o'};
    // Cut inside the sound, and exactly before the page that closes the stream: libvorbisfile
    // would play either up to the cut.
    const auto longer = audiotest::EncodeTone(2, 440.0, 0.3, 3.0);
    const std::vector<unsigned char> half(longer.begin(), longer.begin() + longer.size() / 2);
    const std::vector<unsigned char> capture{'O', 'g', 'g', 'S'};
    const auto lastPage =
        std::find_end(longer.begin(), longer.end(), capture.begin(), capture.end());
    const std::vector<unsigned char> withoutLastPage(longer.begin(), lastPage);
    auto trailingJunk = good;
    trailingJunk.insert(trailingJunk.end(), 100, 0x55);
    // A whole page taken out of the middle leaves every other page's checksum right.
    std::vector<std::size_t> pages;
    for (auto at = longer.begin();
         (at = std::search(at, longer.end(), capture.begin(), capture.end())) != longer.end();
         ++at) {
        pages.push_back(static_cast<std::size_t>(at - longer.begin()));
    }
    ASSERT_GE(pages.size(), 4u);  // the headers, then sound on two pages at least
    const std::size_t gone = pages.size() / 2;
    auto withoutMiddlePage = longer;
    withoutMiddlePage.erase(withoutMiddlePage.begin() + static_cast<long>(pages[gone]),
                            withoutMiddlePage.begin() + static_cast<long>(pages[gone + 1]));
    // Two whole streams one after the other.
    auto chained = good;
    chained.insert(chained.end(), good.begin(), good.end());
    for (const auto& bytes : {truncatedHeader, badMagic, noisyHeaders, text, half, withoutLastPage,
                              trailingJunk, withoutMiddlePage, chained}) {
        DecodedSound s;
        s.channels = 7;
        EXPECT_FALSE(DecodeOgg(bytes.data(), bytes.size(), false, s));
        EXPECT_TRUE(s.samples.empty());
        EXPECT_EQ(s.channels, 0);
        // A sound that streams is refused as well when it loads, without being decoded.
        OggLayout layout;
        layout.frames = 9;
        EXPECT_FALSE(ProbeOgg(bytes.data(), bytes.size(), false, layout));
        EXPECT_EQ(layout.frames, 0u);
    }
    DecodedSound s;
    EXPECT_FALSE(DecodeOgg(nullptr, 10, false, s));
    EXPECT_FALSE(DecodeOgg(good.data(), 0, false, s));
    OggLayout layout;
    EXPECT_FALSE(ProbeOgg(nullptr, 10, false, layout));
    EXPECT_FALSE(OggStream::Open(nullptr, false));
    EXPECT_FALSE(OggStream::Open(std::make_shared<const std::vector<unsigned char>>(), false));
}

// A stream gives the samples a whole decode gives, block by block, from the start again when it
// loops (without a gap at the seam), folded to mono where asked.
TEST(OggStream, ReadsWhatTheWholeDecodeHoldsAndLoopsWithoutAGap) {
    for (const bool mono : {false, true}) {
        const auto ogg = audiotest::EncodeTone(2, 440.0, 0.5, 0.7);
        DecodedSound whole;
        ASSERT_TRUE(DecodeOgg(ogg.data(), ogg.size(), mono, whole));
        OggLayout layout;
        ASSERT_TRUE(ProbeOgg(ogg.data(), ogg.size(), mono, layout));
        EXPECT_EQ(layout.channels, whole.channels);
        EXPECT_EQ(layout.rate, whole.rate);
        const std::size_t frames = whole.samples.size() / std::size_t(whole.channels);
        EXPECT_EQ(layout.frames, frames);
        EXPECT_EQ(layout.fold, mono);

        auto stream = OggStream::Open(
            std::make_shared<const std::vector<unsigned char>>(ogg.begin(), ogg.end()), mono);
        ASSERT_NE(stream, nullptr);
        ASSERT_EQ(stream->channels(), whole.channels);
        EXPECT_EQ(stream->rate(), 44100);
        const std::size_t width = std::size_t(whole.channels);
        // Without looping: the whole sound in odd-sized reads, then nothing more.
        std::vector<std::int16_t> played;
        std::vector<std::int16_t> block(1000 * width);
        for (std::size_t got; (got = stream->Read(block.data(), 1000, false)) > 0;) {
            played.insert(played.end(), block.begin(), block.begin() + got * width);
            if (got < 1000) {
                break;
            }
        }
        EXPECT_EQ(played, whole.samples) << mono;
        EXPECT_EQ(stream->Read(block.data(), 1000, false), 0u);

        // Looping: two and a half lengths in one read, the sound over and over.
        stream->Rewind();
        std::vector<std::int16_t> looped(frames * 5 / 2 * width);
        ASSERT_EQ(stream->Read(looped.data(), looped.size() / width, true), looped.size() / width);
        std::size_t wrong = 0;
        for (std::size_t i = 0; i < looped.size(); ++i) {
            wrong += looped[i] != whole.samples[i % whole.samples.size()];
        }
        EXPECT_EQ(wrong, 0u) << mono;
    }
}

}  // namespace
