#include "app/text_table.h"

#include "core/ascii.h"

namespace app {

namespace {

// Key lines compare in lower case: everything between the leading '#' and the last character.
void FoldKeyLine(std::string& line) {
    if (line.empty() || line[0] != '#') {
        return;
    }
    for (std::size_t i = 1; i + 1 < line.size(); ++i) {
        line[i] = core::AsciiLower(line[i]);
    }
}

}  // namespace

bool TextTable::Load(const platform::Resources& resources) {
    lines_.clear();
    const auto bytes = resources.Find("CustomData", kTextTableResourceId);
    if (!bytes) {
        return false;
    }
    Parse(*bytes);
    return true;
}

void TextTable::Parse(std::span<const std::uint8_t> bytes) {
    lines_.clear();
    std::string line;
    bool pending = false;  // bytes were read since the last line feed
    for (std::uint8_t byte : bytes) {
        if (lines_.size() >= kMaxLines) {
            return;
        }
        if (byte == '\n') {
            FoldKeyLine(line);
            lines_.push_back(std::move(line));
            line.clear();
            pending = false;
            continue;
        }
        pending = true;
        if (byte != '\r' && byte != '\0') {
            line += static_cast<char>(byte);
        }
    }
    if (pending && lines_.size() < kMaxLines) {
        FoldKeyLine(line);
        lines_.push_back(std::move(line));
    }
}

std::string TextTable::GetText(std::string_view key) const {
    std::string folded(key);
    for (char& c : folded) {
        c = core::AsciiLower(c);
    }
    for (std::size_t i = 0; i + 1 < lines_.size(); ++i) {
        const std::string_view line = lines_[i];
        if (line.empty() || line[0] != '#' || !line.substr(1).starts_with(folded)) {
            continue;
        }
        const auto difference =
            line.size() > folded.size() ? line.size() - folded.size() : folded.size() - line.size();
        if (difference < 3) {
            return lines_[i + 1];
        }
    }
    return {};
}

std::array<std::string, kAboutLineCount> SplitAboutText(std::string_view text) {
    std::array<std::string, kAboutLineCount> lines;
    std::size_t current = 0;
    for (char c : text) {
        if (c == '%') {
            if (current + 1 < kAboutLineCount) {
                ++current;
            }
            continue;
        }
        lines[current] += c;
    }
    return lines;
}

}  // namespace app
