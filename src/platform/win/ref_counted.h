// Reference counting of the COM-shaped objects of every platform layer, written once.
//
// RefCounted<Interface> implements the interface's AddRef and Release: an object starts with one
// reference, AddRef adds one and returns the new count, Release removes one and returns the count
// left; the Release that leaves 0 calls LastRelease, which deletes the object unless a class says
// otherwise (a resource first unhooks itself from its device and then lets the device go).
//
// The interface must declare `ULONG AddRef()` and `ULONG Release()` pure virtual, ULONG being a
// 32-bit unsigned integer, and a virtual destructor, so `delete this` here reaches the most derived
// class. A class derives from RefCounted<ITheInterface> instead of ITheInterface itself.
#pragma once

#include <cstdint>

template <class Interface>
class RefCounted : public Interface {
public:
    std::uint32_t AddRef() override { return ++refs_; }

    std::uint32_t Release() override
    {
        const std::uint32_t left = --refs_;
        if (left == 0) {
            LastRelease();
        }
        return left;
    }

protected:
    RefCounted() = default;
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;
    ~RefCounted() override = default;

    // Runs once, when the count reaches 0; `this` must not be used after it returns.
    virtual void LastRelease() { delete this; }

private:
    std::uint32_t refs_ = 1;
};
