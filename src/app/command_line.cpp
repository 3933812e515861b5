#include "app/command_line.h"

#include <array>

#include "core/ascii.h"

namespace app {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The first number after `pos`: decimal, or hexadecimal after "0x" as X11 tools print window
// ids. 0 when there is none or it needs more than 32 bits.
std::uint32_t ReadNumber(std::string_view line, std::size_t pos) {
    while (pos < line.size() && !IsDigit(line[pos])) {
        ++pos;
    }
    std::uint64_t base = 10;
    if (pos + 2 < line.size() && line[pos] == '0' &&
        (line[pos + 1] == 'x' || line[pos + 1] == 'X') && core::HexDigitValue(line[pos + 2]) >= 0) {
        base = 16;
        pos += 2;
    }
    std::uint64_t value = 0;
    for (; pos < line.size(); ++pos) {
        const int digit = base == 16 ? core::HexDigitValue(line[pos])
                                     : (IsDigit(line[pos]) ? line[pos] - '0' : -1);
        if (digit < 0) {
            break;
        }
        value = value * base + static_cast<std::uint64_t>(digit);
        if (value > UINT32_MAX) {
            return 0;
        }
    }
    return static_cast<std::uint32_t>(value);
}

enum class SwitchAction { Saver, Password, Configure, Preview, SaverT };

// Switch letters 'A'..'t' in code order; every other letter in that range means the saver.
constexpr auto kSwitches = [] {
    std::array<SwitchAction, 't' - 'A' + 1> table{};
    table.fill(SwitchAction::Saver);
    table['A' - 'A'] = table['a' - 'A'] = SwitchAction::Password;
    table['C' - 'A'] = table['c' - 'A'] = SwitchAction::Configure;
    table['P' - 'A'] = table['p' - 'A'] = SwitchAction::Preview;
    table['T' - 'A'] = table['t' - 'A'] = SwitchAction::SaverT;
    return table;
}();

}  // namespace

RunMode ParseCommandLine(std::string_view line, std::uint32_t& windowHandle) {
    windowHandle = 0;
    std::size_t pos = 0;

    // The program name, quoted or up to the first blank.
    if (pos < line.size() && line[pos] == '"') {
        ++pos;
        while (pos < line.size() && line[pos] != '"') {
            ++pos;
        }
        if (pos < line.size()) {
            ++pos;
        }
    } else {
        while (pos < line.size() && line[pos] != ' ') {
            ++pos;
        }
        if (pos < line.size()) {
            ++pos;
        }
    }

    while (pos < line.size() && line[pos] != '/' && line[pos] != '-') {
        ++pos;
    }
    if (pos >= line.size()) {
        return RunMode::Configure;
    }
    ++pos;
    if (pos >= line.size()) {
        return RunMode::Saver;
    }
    const char letter = line[pos];
    if (letter < 'A' || letter > 't') {
        return RunMode::Saver;
    }
    switch (kSwitches[letter - 'A']) {
        case SwitchAction::Password:
            windowHandle = ReadNumber(line, pos + 1);
            return RunMode::Password;
        case SwitchAction::Configure:
            windowHandle = ReadNumber(line, pos + 1);
            return RunMode::Configure;
        case SwitchAction::Preview:
            windowHandle = ReadNumber(line, pos + 1);
            return RunMode::Preview;
        case SwitchAction::SaverT:
            return RunMode::SaverT;
        case SwitchAction::Saver:
            break;
    }
    return RunMode::Saver;
}

std::string FullCommandLine(int argc, const char* const* argv) {
    std::string line;
    if (argc <= 0 || argv == nullptr || argv[0] == nullptr) {
        return line;
    }
    const std::string_view program = argv[0];
    if (program.find(' ') != std::string_view::npos) {
        line += '"';
        line += program;
        line += '"';
    } else {
        line += program;
    }
    for (int i = 1; i < argc; ++i) {
        line += ' ';
        if (argv[i] != nullptr) {
            line += argv[i];
        }
    }
    return line;
}

}  // namespace app
