#pragma once

#include <utility>

namespace tevpng {

// The owner of one resource, closed exactly once, by the one call its kind names. Traits
// describe a kind:
//
//   using Value = ...;                       the handle, or the few fields its closer needs
//   static bool IsValid(const Value& v);     whether v holds a resource
//   static void Close(const Value& v);       gives it back
//
// A default-made Value holds none. Copying is disabled; moving hands the ownership over.
// Factories that acquire a resource return an owner, empty when the acquisition failed, so
// that nothing is ever closed that was not acquired.
template <typename Traits>
class UniqueResource {
public:
    using Value = typename Traits::Value;

    UniqueResource() = default;
    explicit UniqueResource(Value value) : value_(std::move(value)) {}
    ~UniqueResource() { Reset(); }

    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : value_(other.Release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }

    const Value& Get() const { return value_; }
    explicit operator bool() const { return Traits::IsValid(value_); }

    // Gives the resource up without closing it.
    Value Release() { return std::exchange(value_, Value{}); }
    // Closes the resource held, if any, and holds `value` instead.
    void Reset(Value value = Value{}) {
        Value old = std::exchange(value_, std::move(value));
        if (Traits::IsValid(old)) Traits::Close(old);
    }

private:
    Value value_{};
};

}  // namespace tevpng
