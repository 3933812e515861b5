// The media archive taken apart into its entries and packed again with one entry damaged: left
// out, cut to half its length, or with bytes in its middle inverted. The archive is packed anew,
// so each entry's checksum is that of the bytes it now holds and the damage reaches the file's
// own reader instead of stopping at the archive's check.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace faults {

struct ArchiveEntry {
    std::string name;  // as stored: "Media\clock.UDF"
    bool folder = false;
    std::vector<std::uint8_t> bytes;
};

enum class Damage { LeftOut, Truncated, Flipped };

// How many bytes Damage::Flipped inverts (fewer in a smaller entry).
inline constexpr std::size_t kFlippedBytes = 16;

// The entries of a store-only archive image in their order; nothing when the image can't be
// walked to its end block.
std::optional<std::vector<ArchiveEntry>> ReadEntries(std::span<const std::uint8_t> image);

// The entries packed as the build packs the media folder.
std::vector<std::uint8_t> Pack(const std::vector<ArchiveEntry>& entries);

// The entries packed with entry `index` damaged.
std::vector<std::uint8_t> PackDamaged(const std::vector<ArchiveEntry>& entries, std::size_t index,
                                      Damage damage);

// `bytes` as the damage leaves them (Damage::LeftOut leaves them as they are).
std::vector<std::uint8_t> Damaged(std::vector<std::uint8_t> bytes, Damage damage);

std::string_view DamageName(Damage damage);

// The file name after the last folder separator: "clock.UDF" for "Media\clock.UDF".
std::string BaseName(std::string_view entryName);

}  // namespace faults
