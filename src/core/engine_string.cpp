#include "core/engine_string.h"

#include <utility>

namespace core {

EngineString EngineString::borrow(const void* data, std::uint32_t size) {
    EngineString s;
    if (data && size) {
        s.data_ = static_cast<const char*>(data);
        s.size_ = size;
        s.borrowed_ = true;
    }
    return s;
}

EngineString EngineString::copy(const void* data, std::uint32_t size) {
    if (!data) {
        return {};
    }
    return EngineString(std::string_view(static_cast<const char*>(data), size));
}

EngineString::EngineString(const EngineString& other) { *this = other; }

EngineString& EngineString::operator=(const EngineString& other) {
    if (this != &other) {
        take(other, other.owned_);
    }
    return *this;
}

EngineString::EngineString(EngineString&& other) noexcept { *this = std::move(other); }

EngineString& EngineString::operator=(EngineString&& other) noexcept {
    if (this != &other) {
        take(other, std::move(other.owned_));
        other.owned_.clear();
        other.data_ = other.owned_.data();
        other.size_ = 0;
        other.borrowed_ = false;
    }
    return *this;
}

void EngineString::take(const EngineString& other, std::string storage) {
    borrowed_ = other.borrowed_;
    size_ = other.size_;
    owned_ = borrowed_ ? std::string() : std::move(storage);
    data_ = borrowed_ ? other.data_ : owned_.data();
}

}  // namespace core
