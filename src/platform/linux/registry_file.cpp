#include "platform/linux/registry_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <random>

#include "core/ascii.h"

namespace platform::linux_impl {

namespace {

constexpr std::string_view kRootKey = "HKEY_CURRENT_USER\\";
constexpr std::string_view kHeader = "REGEDIT4";

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

// A quoted text with \\ and \" escapes starting at s[0] == '"'. Advances `s` past the closing
// quote; false when there is none.
bool ReadQuoted(std::string_view& s, std::string& out) {
    out.clear();
    std::size_t i = 1;
    while (i < s.size()) {
        const char c = s[i];
        if (c == '"') {
            s.remove_prefix(i + 1);
            return true;
        }
        if (c == '\\' && i + 1 < s.size()) {
            out += s[i + 1];
            i += 2;
            continue;
        }
        out += c;
        ++i;
    }
    return false;
}

// "bb,bb,..." (blanks allowed around the commas).
bool ReadHexBytes(std::string_view s, std::vector<std::uint8_t>& out) {
    out.clear();
    s = Trim(s);
    while (!s.empty()) {
        std::size_t comma = s.find(',');
        std::string_view item = Trim(s.substr(0, comma));
        if (item.size() != 2 || core::HexDigitValue(item[0]) < 0 ||
            core::HexDigitValue(item[1]) < 0) {
            return false;
        }
        out.push_back(static_cast<std::uint8_t>(core::HexDigitValue(item[0]) * 16 +
                                                core::HexDigitValue(item[1])));
        if (comma == std::string_view::npos) {
            break;
        }
        s = Trim(s.substr(comma + 1));
        if (s.empty()) {
            return false;
        }
    }
    return true;
}

// Up to 8 hex digits, exactly, as the value of a number.
bool ReadHexNumber(std::string_view s, std::uint32_t& value) {
    if (s.empty() || s.size() > 8) {
        return false;
    }
    value = 0;
    for (char c : s) {
        const int digit = core::HexDigitValue(c);
        if (digit < 0) {
            return false;
        }
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    return true;
}

bool ParseValueLine(std::string_view line, RegValue& value) {
    if (line.starts_with('@')) {
        value.name.clear();
        line.remove_prefix(1);
    } else if (!line.starts_with('"') || !ReadQuoted(line, value.name)) {
        return false;
    }
    line = Trim(line);
    if (!line.starts_with('=')) {
        return false;
    }
    line = Trim(line.substr(1));
    value.data.clear();
    if (line.starts_with('"')) {
        std::string text;
        if (!ReadQuoted(line, text) || !Trim(line).empty()) {
            return false;
        }
        value.type = REG_SZ;
        value.data.assign(text.begin(), text.end());
        return true;
    }
    if (line.starts_with("dword:")) {
        std::uint32_t number = 0;
        if (!ReadHexNumber(Trim(line.substr(6)), number)) {
            return false;
        }
        value.type = REG_DWORD;
        value.data = {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                      static_cast<std::uint8_t>(number >> 16),
                      static_cast<std::uint8_t>(number >> 24)};
        return true;
    }
    if (line.starts_with("hex:")) {
        value.type = REG_BINARY;
        return ReadHexBytes(line.substr(4), value.data);
    }
    if (line.starts_with("hex(")) {
        const auto close = line.find("):");
        if (close == std::string_view::npos ||
            !ReadHexNumber(line.substr(4, close - 4), value.type)) {
            return false;
        }
        return ReadHexBytes(line.substr(close + 2), value.data);
    }
    return false;
}

// A value line whose data is a hex list ("name"=hex:... or "name" = hex(7):...).
bool IsHexValue(std::string_view line) {
    const auto equals = line.find('=');
    return equals != std::string_view::npos && Trim(line.substr(equals + 1)).starts_with("hex");
}

void AppendHexBytes(std::string& out, const std::vector<std::uint8_t>& data) {
    static constexpr char kDigits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        out += kDigits[data[i] >> 4];
        out += kDigits[data[i] & 15];
    }
}

void AppendQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    out += '"';
}

// A text that can stand between quotes on one line.
bool Printable(const std::vector<std::uint8_t>& data) {
    return std::all_of(data.begin(), data.end(),
                       [](std::uint8_t b) { return b >= 0x20 && b != 0x7F; });
}

bool ValidName(std::string_view name) {
    return std::all_of(name.begin(), name.end(),
                       [](char c) { return c != '\n' && c != '\r' && c != '\0'; });
}

std::optional<std::string> ConfigRoot() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        return std::string(xdg);
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return std::string(home) + "/.config";
    }
    if (const passwd* entry = getpwuid(getuid());
        entry != nullptr && entry->pw_dir != nullptr && entry->pw_dir[0] == '/') {
        return std::string(entry->pw_dir) + "/.config";
    }
    return std::nullopt;
}

enum class ReadResult { Read, Missing, Failed };

// Reads at most FileRegistry::kMaxFileBytes; `whole` tells whether that was the entire file.
ReadResult ReadBounded(const std::string& path, std::string& text, bool* whole = nullptr) {
    // Non-blocking, so that a pipe put in the file's place can't stall the open.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return ReadResult::Failed;
    }
    if (whole != nullptr) {
        *whole = static_cast<std::size_t>(info.st_size) <= FileRegistry::kMaxFileBytes;
    }
    text.assign(
        std::min<std::size_t>(static_cast<std::size_t>(info.st_size), FileRegistry::kMaxFileBytes),
        '\0');
    std::size_t filled = 0;
    while (filled < text.size()) {
        const ssize_t got = read(fd, text.data() + filled, text.size() - filled);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            close(fd);
            return ReadResult::Failed;
        }
        if (got == 0) {
            break;
        }
        filled += static_cast<std::size_t>(got);
    }
    text.resize(filled);
    close(fd);
    return ReadResult::Read;
}

bool MakeDirectories(const std::string& dir) {
    for (std::size_t slash = dir.find('/', 1);; slash = dir.find('/', slash + 1)) {
        const std::string prefix = dir.substr(0, slash);
        if (mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
        if (slash == std::string::npos) {
            break;
        }
    }
    struct stat info {};
    return stat(dir.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t put = write(fd, text.data(), text.size());
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(put));
    }
    return true;
}

// Names of the form "<base>.XXXXXX", as the temporary files of ReplaceFile are called.
bool IsTemporaryName(std::string_view name, std::string_view base) {
    if (name.size() != base.size() + 7 || !name.starts_with(base) || name[base.size()] != '.') {
        return false;
    }
    return std::all_of(
        name.begin() + static_cast<std::ptrdiff_t>(base.size()) + 1, name.end(), [](char c) {
            return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        });
}

// Removes the temporary files a writer killed before its rename left beside `path`. A writer
// holds a lock on its temporary file while it lives, so a file whose lock can be taken has no
// writer any more.
void RemoveStaleTemporaries(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string dir = slash == 0 ? "/" : path.substr(0, slash);
    const std::string base = path.substr(slash + 1);
    DIR* folder = opendir(dir.c_str());
    if (folder == nullptr) {
        return;
    }
    const int dirFd = dirfd(folder);
    while (const dirent* entry = readdir(folder)) {
        if (!IsTemporaryName(entry->d_name, base)) {
            continue;
        }
        const int fd = openat(dirFd, entry->d_name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0) {
            continue;
        }
        struct stat info {};
        if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0) {
            unlinkat(dirFd, entry->d_name, 0);
        }
        close(fd);
    }
    closedir(folder);
}

// The file a write of `path` must replace: symbolic links are followed to their final target, so
// the link itself stays. Nothing for a loop of links.
std::optional<std::string> FollowLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return path;
        }
        std::string target(static_cast<std::size_t>(PATH_MAX), '\0');
        const ssize_t length = readlink(path.c_str(), target.data(), target.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) {
            return std::nullopt;
        }
        target.resize(static_cast<std::size_t>(length));
        if (target[0] != '/') {
            target = path.substr(0, path.rfind('/') + 1) + target;
        }
        path = std::move(target);
    }
    return std::nullopt;
}

// Makes the temporary file for ReplaceFile, locked for as long as it is open. It has no name
// until `Publish` gives it one, so a writer killed before that leaves nothing behind.
class TemporaryFile {
public:
    TemporaryFile(const std::string& dir, const std::string& path) : path_(path) {
        // Naming an unnamed file later goes through /proc.
        if (access("/proc/self/fd", X_OK) == 0) {
            fd_ = open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        }
        if (fd_ < 0) {
            // Some file systems have no unnamed files; a named one is locked at once.
            name_ = path + ".XXXXXX";
            fd_ = mkostemp(name_.data(), O_CLOEXEC);
            if (fd_ < 0) {
                name_.clear();
            }
        }
        if (fd_ >= 0) {
            flock(fd_, LOCK_EX);
        }
    }
    ~TemporaryFile() {
        if (!name_.empty()) {
            unlink(name_.c_str());
        }
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int Descriptor() const { return fd_; }

    // Renames the flushed file over `path`.
    bool Publish() {
        if (name_.empty()) {
            const std::string link = "/proc/self/fd/" + std::to_string(fd_);
            std::random_device random;
            for (int attempt = 0; attempt < 8 && name_.empty(); ++attempt) {
                static constexpr std::string_view kLetters =
                    "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
                std::string candidate = path_ + ".";
                for (int i = 0; i < 6; ++i) {
                    candidate += kLetters[random() % kLetters.size()];
                }
                if (linkat(AT_FDCWD, link.c_str(), AT_FDCWD, candidate.c_str(),
                           AT_SYMLINK_FOLLOW) == 0) {
                    name_ = std::move(candidate);
                } else if (errno != EEXIST) {
                    return false;
                }
            }
            if (name_.empty()) {
                return false;
            }
        }
        if (rename(name_.c_str(), path_.c_str()) != 0) {
            return false;
        }
        name_.clear();
        return true;
    }

private:
    std::string path_;
    std::string name_;
    int fd_ = -1;
};

// Replaces `path` by a file holding `text`: written beside it, flushed to disk, then renamed over
// it, so a reader sees the old file or the new one and never a part.
bool ReplaceFile(const std::string& dir, const std::string& path, std::string_view text) {
    TemporaryFile temp(dir, path);
    const int fd = temp.Descriptor();
    if (fd < 0 || !WriteAll(fd, text) || fsync(fd) != 0 || fchmod(fd, 0600) != 0 ||
        !temp.Publish()) {
        return false;
    }
    // The rename itself reaches the disk with the folder.
    if (const int dirFd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
    return true;
}

// One line of a .reg text as the reader sees it: a hex list continued with trailing '\\' is
// joined into one. `raw` is the text it came from, line ends included.
struct LogicalLine {
    std::string_view raw;
    std::string_view text;
    std::string joined;
};

bool NextLogicalLine(std::string_view text, std::size_t& pos, LogicalLine& out) {
    if (pos >= text.size()) {
        return false;
    }
    const std::size_t start = pos;
    auto physical = [&text, &pos]() {
        std::size_t end = text.find('\n', pos);
        const std::size_t stop = end == std::string_view::npos ? text.size() : end;
        const std::string_view line = Trim(text.substr(pos, stop - pos));
        pos = end == std::string_view::npos ? text.size() : end + 1;
        return line;
    };
    out.text = physical();
    if (out.text.ends_with('\\') && IsHexValue(out.text)) {
        out.joined.assign(out.text.substr(0, out.text.size() - 1));
        while (pos < text.size()) {
            const std::string_view next = physical();
            const bool more = next.ends_with('\\');
            out.joined += more ? next.substr(0, next.size() - 1) : next;
            if (!more) {
                break;
            }
        }
        out.text = out.joined;
    }
    out.raw = text.substr(start, pos - start);
    return true;
}

// The name of a value line ("name"=... or @=...), or nothing for any other line.
std::optional<std::string> ValueLineName(std::string_view line) {
    std::string name;
    if (line.starts_with('@')) {
        line.remove_prefix(1);
    } else if (!line.starts_with('"') || !ReadQuoted(line, name)) {
        return std::nullopt;
    }
    if (!Trim(line).starts_with('=')) {
        return std::nullopt;
    }
    return name;
}

bool IsKeyHeader(std::string_view line, std::string_view header) {
    return line.ends_with(']') &&
           core::AsciiEqualsIgnoringCase(line.substr(1, line.size() - 2), header);
}

void AppendValueLine(std::string& out, const RegValue& value, std::string_view lineEnd) {
    static constexpr char kDigits[] = "0123456789abcdef";
    if (value.name.empty()) {
        out += '@';
    } else {
        AppendQuoted(out, value.name);
    }
    out += '=';
    if (value.type == REG_DWORD && value.data.size() == 4) {
        out += "dword:";
        for (int i = 3; i >= 0; --i) {
            out += kDigits[value.data[i] >> 4];
            out += kDigits[value.data[i] & 15];
        }
    } else if (value.type == REG_SZ && Printable(value.data)) {
        AppendQuoted(out, {reinterpret_cast<const char*>(value.data.data()), value.data.size()});
    } else {
        if (value.type == REG_BINARY) {
            out += "hex:";
        } else {
            out += "hex(";
            bool started = false;
            for (int shift = 28; shift >= 0; shift -= 4) {
                const auto digit = (value.type >> shift) & 15;
                if (digit != 0 || started || shift == 0) {
                    out += kDigits[digit];
                    started = true;
                }
            }
            out += "):";
        }
        AppendHexBytes(out, value.data);
    }
    out += lineEnd;
}

class FileKey final : public RegistryKey {
public:
    FileKey(std::string keyPath, std::string file, RegistryAccess access,
            std::vector<RegValue> values)
        : keyPath_(std::move(keyPath)),
          file_(std::move(file)),
          access_(access),
          values_(std::move(values)) {}

    bool QueryValue(std::string_view name, std::uint32_t& type, std::vector<std::uint8_t>& data,
                    std::size_t capacity) const override {
        const RegValue* value = Find(name);
        if (value == nullptr || value->data.size() > capacity) {
            return false;
        }
        type = value->type;
        data = value->data;
        return true;
    }

    bool SetValue(std::string_view name, std::uint32_t type,
                  std::span<const std::uint8_t> data) override {
        if (access_ != RegistryAccess::Write || closed_ || !ValidName(name)) {
            return false;
        }
        auto same = std::find_if(values_.begin(), values_.end(), [name](const RegValue& v) {
            return core::AsciiEqualsIgnoringCase(v.name, name);
        });
        RegValue* value = same != values_.end() ? &*same : &values_.emplace_back();
        value->name = std::string(name);
        value->type = type;
        value->data.assign(data.begin(), data.end());
        const bool known = std::any_of(changed_.begin(), changed_.end(), [name](const auto& n) {
            return core::AsciiEqualsIgnoringCase(n, name);
        });
        if (!known) {
            changed_.emplace_back(name);
        }
        return true;
    }

    bool Close() override {
        if (closed_) {
            return true;
        }
        closed_ = true;
        if (changed_.empty()) {
            return true;
        }
        // The file is read again, so whatever it holds beside our values (comments, other keys,
        // lines we can't read) stays as it is now; through a link, its target is rewritten.
        const std::optional<std::string> target = FollowLinks(file_);
        if (!target) {
            return false;
        }
        std::string text;
        bool whole = true;
        if (ReadBounded(*target, text, &whole) == ReadResult::Failed || !whole) {
            return false;
        }
        std::vector<RegValue> changes;
        for (const std::string& name : changed_) {
            changes.push_back(*Find(name));
        }
        const std::string dir = target->substr(0, target->rfind('/'));
        return MakeDirectories(dir) &&
               ReplaceFile(dir, *target, MergeRegText(text, changes, keyPath_));
    }

private:
    const RegValue* Find(std::string_view name) const {
        for (const RegValue& value : values_) {
            if (core::AsciiEqualsIgnoringCase(value.name, name)) {
                return &value;
            }
        }
        return nullptr;
    }

    std::string keyPath_;
    std::string file_;
    RegistryAccess access_;
    std::vector<RegValue> values_;
    std::vector<std::string> changed_;
    bool closed_ = false;
};

}  // namespace

std::vector<RegValue> ParseRegText(std::string_view text, std::string_view keyPath) {
    const std::string header = std::string(kRootKey) + std::string(keyPath);
    std::vector<RegValue> values;
    bool inKey = true;  // values before any header belong to the file's key
    std::size_t pos = 0;
    LogicalLine line;
    while (NextLogicalLine(text, pos, line)) {
        if (line.text.starts_with('[')) {
            inKey = IsKeyHeader(line.text, header);
            continue;
        }
        RegValue value;
        if (!inKey || !ParseValueLine(line.text, value)) {
            continue;
        }
        auto same = std::find_if(values.begin(), values.end(), [&](const RegValue& other) {
            return core::AsciiEqualsIgnoringCase(other.name, value.name);
        });
        if (same != values.end()) {
            *same = std::move(value);
        } else {
            values.push_back(std::move(value));
        }
    }
    return values;
}

std::string FormatRegText(const std::vector<RegValue>& values, std::string_view keyPath) {
    std::string out;
    out += kHeader;
    out += "\n\n[";
    out += kRootKey;
    out += keyPath;
    out += "]\n";
    for (const RegValue& value : values) {
        AppendValueLine(out, value, "\n");
    }
    return out;
}

std::string MergeRegText(std::string_view original, const std::vector<RegValue>& changes,
                         std::string_view keyPath) {
    if (original.find_first_not_of(" \t\r\n") == std::string_view::npos) {
        return FormatRegText(changes, keyPath);
    }
    const std::string header = std::string(kRootKey) + std::string(keyPath);
    const std::string_view lineEnd =
        original.substr(0, original.find('\n') + 1).ends_with("\r\n") ? "\r\n" : "\n";
    std::vector<bool> written(changes.size(), false);
    std::string out;
    // Where values the file lacks go: after the key's last value line, or its header.
    std::optional<std::size_t> insertAt;
    bool inKey = true;
    bool sawHeader = false;
    auto endLine = [&out, lineEnd]() {
        if (!out.empty() && out.back() != '\n') {
            out += lineEnd;
        }
    };
    std::size_t pos = 0;
    LogicalLine line;
    while (NextLogicalLine(original, pos, line)) {
        if (line.text.starts_with('[')) {
            sawHeader = true;
            inKey = IsKeyHeader(line.text, header);
            out += line.raw;
            if (inKey) {
                endLine();
                insertAt = out.size();
            }
            continue;
        }
        const auto name = inKey ? ValueLineName(line.text) : std::nullopt;
        if (!name) {
            out += line.raw;
            continue;
        }
        const auto change = std::find_if(changes.begin(), changes.end(), [&](const RegValue& v) {
            return core::AsciiEqualsIgnoringCase(v.name, *name);
        });
        if (change == changes.end()) {
            out += line.raw;
            endLine();
        } else if (const auto index = static_cast<std::size_t>(change - changes.begin());
                   !written[index]) {
            AppendValueLine(out, *change, lineEnd);
            written[index] = true;
        }
        // A later line of a value already written would override it when read, so it goes.
        insertAt = out.size();
    }
    std::string missing;
    for (std::size_t i = 0; i < changes.size(); ++i) {
        if (!written[i]) {
            AppendValueLine(missing, changes[i], lineEnd);
        }
    }
    if (missing.empty()) {
        return out;
    }
    if (!insertAt) {
        endLine();
        if (sawHeader) {
            out += lineEnd;
            out += '[';
            out += header;
            out += ']';
            out += lineEnd;
        }
        insertAt = out.size();
    }
    out.insert(*insertAt, missing);
    return out;
}

FileRegistry::FileRegistry(std::optional<std::string> root) : root_(std::move(root)) {}

std::optional<std::string> FileRegistry::KeyFile(std::string_view path) const {
    std::vector<std::string_view> parts;
    while (true) {
        const auto slash = path.find('\\');
        parts.push_back(path.substr(0, slash));
        if (slash == std::string_view::npos) {
            break;
        }
        path.remove_prefix(slash + 1);
    }
    if (core::AsciiEqualsIgnoringCase(parts.front(), "Software")) {
        parts.erase(parts.begin());
    }
    if (parts.empty()) {
        return std::nullopt;
    }
    for (std::string_view part : parts) {
        if (part.empty() || part == "." || part == ".." ||
            part.find_first_of(std::string_view("/\0", 2)) != std::string_view::npos) {
            return std::nullopt;
        }
    }
    std::optional<std::string> file = root_ ? root_ : ConfigRoot();
    if (!file) {
        return std::nullopt;
    }
    for (std::string_view part : parts) {
        *file += '/';
        *file += part;
    }
    *file += ".reg";
    return file;
}

std::unique_ptr<RegistryKey> FileRegistry::CreateKey(std::string_view path, RegistryAccess access) {
    const std::optional<std::string> file = KeyFile(path);
    if (!file) {
        return nullptr;
    }
    if (const auto target = FollowLinks(*file)) {
        RemoveStaleTemporaries(*target);
    }
    std::string text;
    std::vector<RegValue> values;
    switch (ReadBounded(*file, text)) {
        case ReadResult::Failed:
            return nullptr;
        case ReadResult::Missing:
            break;
        case ReadResult::Read:
            values = ParseRegText(text, path);
            break;
    }
    return std::make_unique<FileKey>(std::string(path), *file, access, std::move(values));
}

}  // namespace platform::linux_impl

namespace platform {

Registry& Registry::CurrentUser() {
    static linux_impl::FileRegistry registry;
    return registry;
}

}  // namespace platform
