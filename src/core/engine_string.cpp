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
    if (this == &other) {
        return *this;
    }
    borrowed_ = other.borrowed_;
    size_ = other.size_;
    if (borrowed_) {
        owned_.clear();
        data_ = other.data_;
    } else {
        owned_ = other.owned_;
        data_ = owned_.data();
    }
    return *this;
}

EngineString::EngineString(EngineString&& other) noexcept { *this = std::move(other); }

EngineString& EngineString::operator=(EngineString&& other) noexcept {
    if (this == &other) {
        return *this;
    }
    borrowed_ = other.borrowed_;
    size_ = other.size_;
    if (borrowed_) {
        owned_.clear();
        data_ = other.data_;
    } else {
        owned_ = std::move(other.owned_);
        data_ = owned_.data();
    }
    other.owned_.clear();
    other.data_ = other.owned_.data();
    other.size_ = 0;
    other.borrowed_ = false;
    return *this;
}

}  // namespace core
