// One reference to a COM object, released with the holder.
#pragma once

#include <utility>

namespace gfx::d3d9 {

template <typename T>
class ComRef {
public:
    ComRef() = default;
    explicit ComRef(T* object) : object_(object) {}
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ComRef(ComRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    ComRef& operator=(ComRef&& other) noexcept {
        if (this != &other) {
            reset();
            object_ = std::exchange(other.object_, nullptr);
        }
        return *this;
    }
    ~ComRef() { reset(); }

    void reset() {
        if (object_)
            std::exchange(object_, nullptr)->Release();
    }
    T* get() const { return object_; }
    T* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    // Releases what is held and returns the slot a Create... call fills.
    T** put() {
        reset();
        return &object_;
    }
    T* release() { return std::exchange(object_, nullptr); }

private:
    T* object_ = nullptr;
};

}  // namespace gfx::d3d9
