// Reference counting shared by the runtime, the device and the device's resources, as in COM:
// a new object starts at one, Release at zero deletes it.
#pragma once

#include <cstdint>
#include <utility>

namespace gfx {

class Unknown {
public:
    virtual std::uint32_t AddRef() = 0;
    virtual std::uint32_t Release() = 0;

protected:
    virtual ~Unknown() = default;
};

// Holds one reference; copying adds one, destruction releases it.
template <typename T>
class Ref {
public:
    Ref() = default;
    Ref(std::nullptr_t) {}
    // Takes over a reference the caller already owns (what Create... calls hand out).
    static Ref Adopt(T* object) {
        Ref ref;
        ref.object_ = object;
        return ref;
    }
    // Adds a reference of its own.
    static Ref Share(T* object) {
        if (object)
            object->AddRef();
        return Adopt(object);
    }
    Ref(const Ref& other) : object_(other.object_) {
        if (object_)
            object_->AddRef();
    }
    Ref(Ref&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    Ref& operator=(Ref other) noexcept {
        std::swap(object_, other.object_);
        return *this;
    }
    ~Ref() { reset(); }

    void reset() {
        if (object_)
            std::exchange(object_, nullptr)->Release();
    }
    T* get() const { return object_; }
    T* operator->() const { return object_; }
    T& operator*() const { return *object_; }
    explicit operator bool() const { return object_ != nullptr; }
    // For out-parameters: releases what is held and returns the slot to fill.
    T** put() {
        reset();
        return &object_;
    }

private:
    T* object_ = nullptr;
};

}  // namespace gfx
