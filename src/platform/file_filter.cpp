#include "core/ascii.h"
#include "platform/file_chooser.h"

namespace platform {

std::vector<FileFilter> ParseFileFilter(std::string_view text) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t bar = text.find('|', start);
        if (bar == std::string_view::npos) {
            break;  // a field without its closing '|' is not part of the filter
        }
        fields.push_back(text.substr(start, bar - start));
        start = bar + 1;
    }
    std::vector<FileFilter> filters;
    for (std::size_t i = 0; i + 1 < fields.size(); i += 2) {
        FileFilter filter;
        filter.description = std::string(fields[i]);
        std::string_view patterns = fields[i + 1];
        while (!patterns.empty()) {
            const std::size_t semicolon = patterns.find(';');
            const std::string_view pattern = patterns.substr(0, semicolon);
            if (!pattern.empty()) {
                filter.patterns.emplace_back(pattern);
            }
            patterns = semicolon == std::string_view::npos ? std::string_view()
                                                           : patterns.substr(semicolon + 1);
        }
        if (!filter.patterns.empty()) {
            filters.push_back(std::move(filter));
        }
    }
    return filters;
}

bool MatchesPattern(std::string_view pattern, std::string_view name) {
    // Greedy matching with one saved '*' position: linear in practice, never recursive.
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starAt = std::string_view::npos;
    std::size_t starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starAt = p++;
            starName = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || core::AsciiLower(pattern[p]) ==
                                                                   core::AsciiLower(name[n]))) {
            ++p;
            ++n;
        } else if (starAt != std::string_view::npos) {
            p = starAt + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

}  // namespace platform
