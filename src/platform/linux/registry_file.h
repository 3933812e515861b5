// The registry kept in files: one text file in the .reg export format per key, e.g. the key
// "Software\Maravek Studio\Zorvane" in <root>/Maravek Studio/Zorvane.reg.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace platform::linux_impl {

struct RegValue {
    std::string name;
    std::uint32_t type = REG_NONE;
    std::vector<std::uint8_t> data;
};

// The values of key `keyPath` in a .reg text: "name"="text", "name"=dword:hhhhhhhh,
// "name"=hex:bb,... and "name"=hex(t):bb,... (lines continued with a trailing '\'). Lines that
// are none of these, and values under another key's header, are skipped; a later value of the
// same name replaces an earlier one.
std::vector<RegValue> ParseRegText(std::string_view text, std::string_view keyPath);

// The .reg text holding `values` under key `keyPath`.
std::string FormatRegText(const std::vector<RegValue>& values, std::string_view keyPath);

// `original` with `changes` written into key `keyPath`: a value line of the same name is replaced
// where it stands (later lines of that name dropped), a new value follows the key's last value,
// and everything else (comments, other keys, lines that can't be read) is kept byte for byte.
std::string MergeRegText(std::string_view original, const std::vector<RegValue>& changes,
                         std::string_view keyPath);

// Writes replace the file's target (through symbolic links) by way of a locked temporary file
// "<file>.XXXXXX" beside it; opening a key removes such files that no live writer holds.
class FileRegistry final : public Registry {
public:
    // Files past this size are read only this far; what lies beyond is ignored.
    static constexpr std::size_t kMaxFileBytes = 1 << 20;

    // Keys under `root`; without one, under $XDG_CONFIG_HOME (default ~/.config) as it is when a
    // key is opened.
    explicit FileRegistry(std::optional<std::string> root = std::nullopt);

    std::unique_ptr<RegistryKey> CreateKey(std::string_view path, RegistryAccess access) override;

    // The file that holds key `path`, or nothing for a path that names no file.
    std::optional<std::string> KeyFile(std::string_view path) const;

private:
    std::optional<std::string> root_;
};

}  // namespace platform::linux_impl
