// A fixed set of revolution values reused once every holder has let go, so that the receive
// path allocates nothing per revolution. Only the thread that runs the parsers takes values;
// any thread may hold and release them.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "run/RevolutionValue.h"

class RevolutionPool;

// A shared hold on one value of the pool; the value returns to the pool when the last hold ends.
class RevolutionRef {
public:
    RevolutionRef() = default;
    RevolutionRef(const RevolutionRef& other);
    RevolutionRef(RevolutionRef&& other) noexcept;
    RevolutionRef& operator=(RevolutionRef other) noexcept;
    ~RevolutionRef();

    explicit operator bool() const { return m_slot != nullptr; }
    const RevolutionValue& operator*() const;
    const RevolutionValue* operator->() const { return &**this; }
    // For the one who took it from the pool, before handing it to anyone else.
    RevolutionValue& Fill();

private:
    friend class RevolutionPool;
    struct Slot;
    explicit RevolutionRef(Slot* slot) : m_slot(slot) {}

    Slot* m_slot = nullptr;
};

class RevolutionPool {
public:
    // Room for `size` values; their memory is touched only as far as they are filled.
    explicit RevolutionPool(int32_t size);
    ~RevolutionPool();
    RevolutionPool(const RevolutionPool&) = delete;
    RevolutionPool& operator=(const RevolutionPool&) = delete;

    // A value nobody holds (the lowest such, so that a steady run keeps touching the same few),
    // or an empty ref when all are held.
    RevolutionRef Take();
    int32_t Size() const { return m_size; }

private:
    int32_t m_size;
    std::unique_ptr<RevolutionRef::Slot[]> m_slots;
};
