#include <algorithm>
#include <array>
#include <charconv>

#include "core/cp1251.h"
#include "platform/dialog.h"

namespace platform {

namespace {

constexpr std::size_t kMaxControls = 256;
constexpr int kMaxDialogUnits = 4096;

struct KindName {
    std::string_view name;
    ControlKind kind;
};

constexpr std::array<KindName, 11> kKinds = {{
    {"PUSHBUTTON", ControlKind::PushButton},
    {"DEFPUSHBUTTON", ControlKind::DefaultPushButton},
    {"LTEXT", ControlKind::StaticText},
    {"CTEXT", ControlKind::CenteredText},
    {"GROUPBOX", ControlKind::GroupBox},
    {"CHECKBOX", ControlKind::CheckBox},
    {"RADIOBUTTON", ControlKind::RadioButton},
    {"DROPDOWN", ControlKind::DropDownList},
    {"EDITTEXT", ControlKind::Edit},
    {"TRACKBAR", ControlKind::Trackbar},
    {"BITMAP", ControlKind::Bitmap},
}};

// Splits a line into words and quoted texts ("" inside quotes stands for one quote). Quoted texts
// come back with a leading '"' so they can't be mistaken for words.
bool Tokenize(std::string_view line, std::vector<std::string>& tokens) {
    tokens.clear();
    std::size_t pos = 0;
    while (pos < line.size()) {
        const char c = line[pos];
        if (c == ' ' || c == '\t') {
            ++pos;
            continue;
        }
        if (c == '"') {
            std::string text = "\"";
            ++pos;
            while (true) {
                if (pos >= line.size()) {
                    return false;
                }
                if (line[pos] == '"') {
                    if (pos + 1 < line.size() && line[pos + 1] == '"') {
                        text += '"';
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    break;
                }
                text += line[pos++];
            }
            tokens.push_back(std::move(text));
            continue;
        }
        const std::size_t start = pos;
        while (pos < line.size() && line[pos] != ' ' && line[pos] != '\t' && line[pos] != '"') {
            ++pos;
        }
        tokens.emplace_back(line.substr(start, pos - start));
    }
    return true;
}

bool Number(const std::string& token, int low, int high, int& value) {
    const char* end = token.data() + token.size();
    const auto [ptr, error] = std::from_chars(token.data(), end, value);
    return error == std::errc() && ptr == end && value >= low && value <= high;
}

bool Text(const std::string& token, std::string& value) {
    if (token.empty() || token[0] != '"') {
        return false;
    }
    value = core::Cp1251ToUtf8(std::string_view(token).substr(1));
    return true;
}

}  // namespace

DialogScript Dialogs::TakeScript() {
    if (scripts_.empty()) {
        return {};
    }
    DialogScript script = std::move(scripts_.front());
    scripts_.erase(scripts_.begin());
    return script;
}

std::optional<DialogTemplate> ParseDialogTemplate(std::span<const std::uint8_t> bytes) {
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    DialogTemplate result;
    bool sized = false;
    std::vector<std::string> tokens;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (!Tokenize(line, tokens)) {
            return std::nullopt;
        }
        if (tokens.empty() || tokens[0].starts_with(';')) {
            continue;
        }
        const std::string& word = tokens[0];
        if (word == "DIALOG") {
            if (tokens.size() != 3 || !Number(tokens[1], 1, kMaxDialogUnits, result.width) ||
                !Number(tokens[2], 1, kMaxDialogUnits, result.height)) {
                return std::nullopt;
            }
            sized = true;
        } else if (word == "CAPTION") {
            if (tokens.size() != 2 || !Text(tokens[1], result.caption)) {
                return std::nullopt;
            }
        } else if (word == "FONT") {
            if (tokens.size() != 3 || !Number(tokens[1], 1, 72, result.fontPointSize) ||
                !Text(tokens[2], result.fontName)) {
                return std::nullopt;
            }
        } else {
            const auto kind = std::find_if(kKinds.begin(), kKinds.end(),
                                           [&word](const KindName& k) { return k.name == word; });
            DialogControl control;
            if (kind == kKinds.end() || tokens.size() != 7 ||
                result.controls.size() >= kMaxControls ||
                !Number(tokens[1], -1, 65535, control.id) ||
                !Number(tokens[2], 0, kMaxDialogUnits, control.x) ||
                !Number(tokens[3], 0, kMaxDialogUnits, control.y) ||
                !Number(tokens[4], 0, kMaxDialogUnits, control.width) ||
                !Number(tokens[5], 0, kMaxDialogUnits, control.height) ||
                !Text(tokens[6], control.text)) {
                return std::nullopt;
            }
            control.kind = kind->kind;
            result.controls.push_back(std::move(control));
        }
    }
    if (!sized) {
        return std::nullopt;
    }
    return result;
}

}  // namespace platform
