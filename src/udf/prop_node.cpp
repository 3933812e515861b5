#include "udf/prop_node.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace udf {

namespace {

std::size_t countDigits(std::string_view text, std::size_t from) {
    std::size_t i = from;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        ++i;
    }
    return i - from;
}

// The decimal point must not follow the user's locale, so numbers are read with from_chars,
// which knows none. `text` is a decimal number (optional sign, digits, point, exponent). Out of
// range, a number of magnitude 1 or more is infinite and a smaller one zero, as strtod reads them.
double parseDecimal(std::string_view text) {
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        text.remove_prefix(1);
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc::result_out_of_range) {
        // The power of ten of the first non-zero digit, then the exponent's.
        const std::size_t e = std::min(text.find_first_of("eE"), text.size());
        const std::size_t point = std::min(text.find('.'), e);
        const std::size_t first = std::min(text.find_first_of("123456789"), e);
        long magnitude = first < point ? long(point - first) - 1 : -long(first - point);
        if (e < text.size()) {
            long exponent = 0;
            std::string_view digits = text.substr(e + 1);
            const bool down = !digits.empty() && digits.front() == '-';
            for (char c : digits) {
                if (c >= '0' && c <= '9' && exponent < 100000) {
                    exponent = exponent * 10 + (c - '0');
                }
            }
            magnitude += down ? -exponent : exponent;
        }
        value = magnitude >= 0 ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return negative ? -value : value;
}

}  // namespace

std::size_t decimalNumberPrefix(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    std::size_t intDigits = countDigits(text, i);
    i += intDigits;
    std::size_t fracDigits = 0;
    bool point = i < text.size() && text[i] == '.';
    if (point) {
        fracDigits = countDigits(text, i + 1);
    }
    if (intDigits == 0 && fracDigits == 0) {
        return 0;
    }
    if (point) {
        i += 1 + fracDigits;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t k = i + 1;
        if (k < text.size() && (text[k] == '+' || text[k] == '-')) {
            ++k;
        }
        std::size_t expDigits = countDigits(text, k);
        if (expDigits > 0) {
            i = k + expDigits;
        }
    }
    return i;
}

bool isDecimalNumber(std::string_view text) {
    return !text.empty() && decimalNumberPrefix(text) == text.size();
}

PropNode::PropNode(std::string_view nodeName) : name(nodeName) {}

PropNode::~PropNode() {
    clear();
}

// Trees from text can be very deep (a long path makes one level per component), so subtrees
// are taken apart with a work list instead of recursive destructors.
void PropNode::clear() {
    std::vector<std::unique_ptr<PropNode>> pending;
    for (Child& child : children_) {
        pending.push_back(std::move(child.node));
    }
    children_.clear();
    index_.clear();
    while (!pending.empty()) {
        std::unique_ptr<PropNode> node = std::move(pending.back());
        pending.pop_back();
        for (Child& child : node->children_) {
            pending.push_back(std::move(child.node));
        }
        node->children_.clear();
        node->index_.clear();
    }
}

void PropNode::releaseChildren(std::vector<std::unique_ptr<PropNode>>& keep) {
    for (Child& child : children_) {
        keep.push_back(std::move(child.node));
    }
    children_.clear();
    index_.clear();
}

PropNode* PropNode::findChild(std::string_view childName) const {
    auto found = index_.find(childName);
    return found == index_.end() ? nullptr : children_[found->second].node.get();
}

PropNode* PropNode::insert(std::string_view childName, std::unique_ptr<PropNode> node) {
    PropNode* raw = node.get();
    std::string key(childName);
    auto found = index_.find(key);
    if (found != index_.end()) {
        std::unique_ptr<PropNode> replaced = std::move(children_[found->second].node);
        children_[found->second].node = std::move(node);
        if (replaced) {
            replaced->clear();
        }
        return raw;
    }
    index_.emplace(key, children_.size());
    children_.push_back(Child{std::move(key), std::move(node)});
    return raw;
}

std::int32_t PropNode::asInt() const {
    std::string_view text = value.view();
    if (!isDecimalNumber(text)) {
        return 0;
    }
    double number = parseDecimal(text);
    if (number >= 2147483647.0) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (number <= -2147483648.0) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(number);
}

float PropNode::asReal() const {
    std::string_view text = value.view();
    std::size_t length = decimalNumberPrefix(text);
    if (length == 0) {
        return 0.0f;
    }
    double number = parseDecimal(text.substr(0, length));
    if (std::fabs(number) > double(std::numeric_limits<float>::max())) {
        return number < 0 ? -std::numeric_limits<float>::infinity()
                          : std::numeric_limits<float>::infinity();
    }
    return static_cast<float>(number);
}

bool PropNode::copyFrom(const PropNode& other, std::uint64_t nodeLimit, std::uint64_t* copied) {
    if (&other == this) {
        return true;
    }
    // The copy is built apart first: `other` may lie inside this node's subtree, which is
    // replaced only at the end.
    PropNode copy;
    std::uint64_t made = 0;
    struct Work {
        const PropNode* from;
        PropNode* to;
    };
    std::vector<Work> pending{{&other, &copy}};
    while (!pending.empty()) {
        Work work = pending.back();
        pending.pop_back();
        for (const Child& child : work.from->children_) {
            if (++made > nodeLimit) {
                if (copied) {
                    *copied += made;
                }
                return false;
            }
            auto node = std::make_unique<PropNode>();
            node->kind = child.node->kind;
            node->nextIndex = child.node->nextIndex;
            node->name = child.node->name;
            node->value = child.node->value;
            pending.push_back(Work{child.node.get(), node.get()});
            work.to->index_.emplace(child.name, work.to->children_.size());
            work.to->children_.push_back(Child{child.name, std::move(node)});
        }
    }
    Kind otherKind = other.kind;
    std::uint32_t otherNext = other.nextIndex;
    core::EngineString otherName = other.name;
    core::EngineString otherValue = other.value;
    clear();
    kind = otherKind;
    nextIndex = otherNext;
    name = std::move(otherName);
    value = std::move(otherValue);
    children_ = std::move(copy.children_);
    index_ = std::move(copy.index_);
    copy.children_.clear();
    copy.index_.clear();
    if (copied) {
        *copied += made;
    }
    return true;
}

PropNode* PropNode::getOrCreate(PropNode& root, std::string_view path, PropNode* scope,
                                std::uint64_t* created) {
    PropNode* node = scope ? scope : &root;
    std::string_view rest = path;
    for (;;) {
        rest = trimBlanks(rest);
        std::size_t dot = rest.find('.');
        std::size_t bracket = rest.find('[');
        if (!rest.empty() && rest.front() == '[') {
            bracket = rest.find('[', 1);
        }
        std::string_view component;
        bool last = false;
        int kindToSet = -1;
        if (dot == std::string_view::npos && bracket == std::string_view::npos) {
            component = rest;
            last = true;
        } else if (dot < bracket) {
            component = rest.substr(0, dot);
            kindToSet = kObject;
            rest = rest.substr(dot + 1);
        } else {
            component = rest.substr(0, bracket);
            kindToSet = kArray;
            rest = rest.substr(bracket);
        }
        if (!component.empty() && component.front() == '[') {
            // The name is what stands between the brackets; "\]" does not close them.
            for (std::size_t i = 1; i < component.size(); ++i) {
                if (component[i] == ']' && component[i - 1] != '\\') {
                    component = component.substr(1, i - 1);
                    break;
                }
            }
            component = trimBlanks(component);
        }
        PropNode* child = node->findChild(component);
        if (!child) {
            child = node->insert(component, std::make_unique<PropNode>(component));
            if (created) {
                ++*created;
            }
        }
        if (kindToSet >= 0) {
            child->kind = static_cast<Kind>(kindToSet);
        }
        node = child;
        if (last) {
            return node;
        }
    }
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace udf
