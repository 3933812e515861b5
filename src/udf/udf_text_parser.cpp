#include "udf/udf_text_parser.h"

#include <algorithm>
#include <string>

#include "vfs/file_source.h"
#include "vfs/search_paths.h"
#include "vfs/stream.h"

namespace udf {

namespace {

// The text between a leading quote and the next same quote not preceded by a backslash; the
// value as written when it is never closed.
std::string_view unquote(std::string_view value) {
    const char quote = value.front();
    for (std::size_t i = 1; i < value.size(); ++i) {
        if (value[i] == quote && value[i - 1] != '\\') {
            return value.substr(1, i - 1);
        }
    }
    return value;
}

}  // namespace

UdfTextParser::UdfTextParser(const vfs::SearchPaths* searchPaths) : searchPaths_(searchPaths) {}

bool UdfTextParser::nextStatement(std::string_view text, std::size_t& position,
                                  std::string& statement, bool* terminated) {
    statement.clear();
    if (terminated) {
        *terminated = false;
    }
    bool inDouble = false;
    bool inSingle = false;
    while (position < text.size()) {
        const char c = text[position];
        if (c == '\n' || c == '\r') {
            ++position;
            continue;
        }
        if (c == '/' && !statement.empty() && statement.back() == '/') {
            // A comment runs to the end of the line, wherever it stands, quotes included.
            statement.pop_back();
            while (position < text.size() && text[position] != '\n' && text[position] != '\r') {
                ++position;
            }
            while (position < text.size() && (text[position] == '\n' || text[position] == '\r')) {
                ++position;
            }
            continue;
        }
        const char previous = statement.empty() ? '\0' : statement.back();
        if (c == '"' && previous != '\\' && !inSingle) {
            inDouble = !inDouble;
        } else if (c == '\'' && previous != '\\' && !inDouble) {
            inSingle = !inSingle;
        } else if (c == ';' && !inDouble && !inSingle) {
            ++position;
            if (terminated) {
                *terminated = true;
            }
            return !statement.empty();
        }
        statement.push_back(c);
        ++position;
    }
    return !statement.empty();
}

std::size_t UdfTextParser::scanGroups(std::string_view text, std::string_view separator) {
    std::size_t i = 0;
    while (i < text.size()) {
        if (text.substr(i).starts_with(separator)) {
            return i;
        }
        const char c = text[i];
        if (c == '"' || c == '\'') {
            const std::size_t close = text.find(c, i + 1);
            i = close == std::string_view::npos ? text.size() : close + 1;
        } else if (c == '[' || c == '(') {
            const char closer = c == '[' ? ']' : ')';
            int depth = 0;
            std::size_t j = i;
            for (; j < text.size(); ++j) {
                if (text[j] == c) {
                    ++depth;
                } else if (text[j] == closer && --depth == 0) {
                    break;
                }
            }
            i = j < text.size() ? j + 1 : text.size();
        } else {
            ++i;
        }
    }
    return text.size();
}

void UdfTextParser::beginTopLevel() {
    includeCount_ = 0;
    parsedNodes_ = 0;
    copiedNodes_ = 0;
    copiesCut_ = false;
    cutShort_ = false;
    includeStack_.clear();
    released_.clear();
}

bool UdfTextParser::parse(vfs::Stream& stream, PropNode& root) {
    const std::uint32_t size = stream.size();
    if (size == 0 || size > kMaxTextSize) {
        return false;
    }
    std::string text(size, '\0');
    if (!stream.readExact(text.data(), size)) {
        return false;
    }
    return parseText(text, root);
}

bool UdfTextParser::parseText(std::string_view text, PropNode& root) {
    if (text.empty()) {
        return false;
    }
    if (parseDepth_ == 0) {
        beginTopLevel();
    }
    ++parseDepth_;
    const bool ok = run(text, root);
    if (--parseDepth_ == 0) {
        released_.clear();
    }
    return ok;
}

bool UdfTextParser::run(std::string_view text, PropNode& root) {
    PropNode* scope = nullptr;
    bool ok = true;
    std::size_t position = 0;
    std::string statement;
    bool terminated = true;
    while (nextStatement(text, position, statement, &terminated)) {
        ok = execute(root, statement, scope, 0) && ok;
        // Blanks after the last ';' are no statement; included files have their own ends.
        if (parseDepth_ == 1 && !trimBlanks(statement).empty()) {
            cutShort_ = !terminated;
        }
    }
    return ok;
}

bool UdfTextParser::executeStatement(PropNode& root, std::string_view statement, PropNode*& scope) {
    return execute(root, statement, scope, 0);
}

bool UdfTextParser::execute(PropNode& root, std::string_view statement, PropNode*& scope,
                            int depth) {
    std::string_view text = trimBlanks(statement);
    if (text.starts_with("using")) {
        std::string_view path = trimBlanks(text.substr(5));
        if (path.empty()) {
            scope = nullptr;
        } else {
            scope = PropNode::getOrCreate(root, path, nullptr, &parsedNodes_);
            scope->kind = PropNode::kObject;
        }
        return true;
    }
    if (text.starts_with("include")) {
        bool result = false;
        if (include(root, text, result)) {
            return result;
        }
    }

    std::string_view target;
    std::string_view value;
    bool hasTarget = false;
    const std::size_t arrow = text.find("=>");
    if (arrow != std::string_view::npos && scanGroups(text, "=>") == arrow) {
        target = text.substr(0, arrow);
        value = text.substr(arrow + 2);
        hasTarget = true;
    } else {
        const std::size_t equals = text.find('=');
        if (equals != std::string_view::npos && scanGroups(text, "=") == equals) {
            target = text.substr(0, equals);
            value = text.substr(equals + 1);
            hasTarget = true;
        }
    }

    PropNode* node = nullptr;
    if (hasTarget) {
        node = PropNode::getOrCreate(root, target, scope, &parsedNodes_);
    } else {
        if (!scope) {
            return true;
        }
        std::string index;
        do {
            index = std::to_string(scope->nextIndex++);
        } while (scope->contains(index));
        node = PropNode::getOrCreate(root, index, scope, &parsedNodes_);
        value = text;
    }
    node->releaseChildren(released_);
    node->nextIndex = 0;

    value = trimBlanks(value);
    if (value.empty()) {
        node->value = core::EngineString();
        node->kind = PropNode::kValue;
        return true;
    }
    const bool isArray = value.starts_with("array");
    if (isArray || value.starts_with("object")) {
        node->kind = isArray ? PropNode::kArray : PropNode::kObject;
        const std::size_t open = value.find('(');
        if (open == std::string_view::npos || depth >= kMaxNesting) {
            return true;
        }
        // The elements end before the last character, the closing parenthesis.
        const std::size_t end = value.size() - 1;
        std::string_view elements =
            end > open + 1 ? trimBlanks(value.substr(open + 1, end - open - 1)) : "";
        bool ok = true;
        while (!elements.empty()) {
            const std::size_t length = scanGroups(elements, ",");
            PropNode* elementScope = node;
            ok = execute(root, elements.substr(0, length), elementScope, depth + 1) && ok;
            elements = trimBlanks(elements.substr(std::min(length + 1, elements.size())));
        }
        return ok;
    }
    if (value.front() == '"' || value.front() == '\'') {
        node->value = core::EngineString(unquote(value));
        node->kind = PropNode::kValue;
        return true;
    }
    if (isDecimalNumber(value)) {
        node->value = core::EngineString(value);
        node->kind = PropNode::kValue;
        return true;
    }
    // A reference: the target becomes a copy of the node at that path, under its own name.
    PropNode* source = PropNode::getOrCreate(root, value, nullptr, &parsedNodes_);
    core::EngineString ownName = node->name;
    const std::uint64_t allowance = kCopiesPerParsedNode * parsedNodes_ + kMinCopyAllowance;
    const std::uint64_t left = copiedNodes_ < allowance ? allowance - copiedNodes_ : 0;
    const bool copied = node->copyFrom(*source, left, &copiedNodes_);
    if (!copied) {
        node->kind = PropNode::kValue;
        node->value = core::EngineString();
        copiesCut_ = true;
    }
    node->name = ownName;
    return copied;
}

bool UdfTextParser::include(PropNode& root, std::string_view statement, bool& result) {
    if (!includesEnabled_) {
        return false;
    }
    const std::size_t open = statement.find('(', 7);
    const std::size_t first = open == std::string_view::npos ? open : statement.find('"', open + 1);
    const std::size_t second =
        first == std::string_view::npos ? first : statement.find('"', first + 1);
    if (second == std::string_view::npos) {
        return false;
    }
    vfs::FileSource source{core::EngineString(statement.substr(first + 1, second - first - 1))};
    if (searchPaths_) {
        searchPaths_->resolve(source);
    }
    std::string key = std::to_string(source.flags) + ":" + source.path.str();
    // A file that includes itself, directly or through others, is not read again; nor is a
    // chain of includes followed without end.
    if (std::find(includeStack_.begin(), includeStack_.end(), key) != includeStack_.end() ||
        static_cast<int>(includeStack_.size()) >= kMaxIncludeDepth ||
        includeCount_ >= kMaxIncludes) {
        result = false;
        return true;
    }
    std::unique_ptr<vfs::Stream> stream = source.open(vfs::kModeRead);
    if (!stream) {
        return false;
    }
    ++includeCount_;
    includeStack_.push_back(std::move(key));
    result = parse(*stream, root);
    includeStack_.pop_back();
    stream->close();
    return true;
}

bool ParseUdfText(vfs::Stream& stream, PropNode& root, const vfs::SearchPaths* searchPaths) {
    UdfTextParser parser(searchPaths);
    return parser.parse(stream, root);
}

}  // namespace udf
