// EngineString: the engine's 8-bit text and byte block, either owned or borrowed in place.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace core {

// Texts are Windows-1251. An owned string is always zero-terminated; a borrowed one references
// memory that outlives it (a resource, the archive image) and is terminated only if that memory is.
class EngineString {
public:
    EngineString() = default;
    EngineString(std::string_view text) : owned_(text), data_(owned_.data()), size_(length(text)) {}
    EngineString(const char* text) : EngineString(std::string_view(text ? text : "")) {}

    static EngineString borrow(const void* data, std::uint32_t size);
    static EngineString copy(const void* data, std::uint32_t size);

    EngineString(const EngineString& other);
    EngineString& operator=(const EngineString& other);
    EngineString(EngineString&& other) noexcept;
    EngineString& operator=(EngineString&& other) noexcept;

    const char* data() const { return data_; }
    std::uint32_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    bool borrowed() const { return borrowed_; }
    std::string_view view() const { return {data_, size_}; }
    std::span<const std::uint8_t> bytes() const {
        return {reinterpret_cast<const std::uint8_t*>(data_), size_};
    }
    std::string str() const { return std::string(view()); }

    friend bool operator==(const EngineString& a, const EngineString& b) {
        return a.view() == b.view();
    }

private:
    // Takes other's length and kind; an owned text's characters come from `storage`.
    void take(const EngineString& other, std::string storage);

    static std::uint32_t length(std::string_view text) {
        return text.size() > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(text.size());
    }

    std::string owned_;
    const char* data_ = owned_.data();
    std::uint32_t size_ = 0;
    bool borrowed_ = false;
};

}  // namespace core
