#include "run/RevolutionPool.h"

#include <utility>

struct RevolutionRef::Slot {
    std::atomic<int32_t> holders{0};
    RevolutionValue value;
};

RevolutionRef::RevolutionRef(const RevolutionRef& other) : m_slot(other.m_slot)
{
    if (m_slot != nullptr)
        m_slot->holders.fetch_add(1, std::memory_order_relaxed);
}

RevolutionRef::RevolutionRef(RevolutionRef&& other) noexcept : m_slot(std::exchange(other.m_slot, nullptr)) {}

RevolutionRef& RevolutionRef::operator=(RevolutionRef other) noexcept
{
    std::swap(m_slot, other.m_slot);
    return *this;
}

// The last holder's release makes its reads of the value happen before the next filling.
RevolutionRef::~RevolutionRef()
{
    if (m_slot != nullptr)
        m_slot->holders.fetch_sub(1, std::memory_order_acq_rel);
}

const RevolutionValue& RevolutionRef::operator*() const
{
    return m_slot->value;
}

RevolutionValue& RevolutionRef::Fill()
{
    return m_slot->value;
}

// Default-initialised: the arrays of a value are not written until it is filled, so memory
// that no revolution reached is never made resident.
RevolutionPool::RevolutionPool(int32_t size) : m_size(size), m_slots(new RevolutionRef::Slot[static_cast<size_t>(size)])
{
}

RevolutionPool::~RevolutionPool() = default;

RevolutionRef RevolutionPool::Take()
{
    for (int32_t i = 0; i < m_size; ++i) {
        RevolutionRef::Slot& slot = m_slots[static_cast<size_t>(i)];
        if (slot.holders.load(std::memory_order_acquire) == 0) {
            slot.holders.store(1, std::memory_order_relaxed);
            return RevolutionRef(&slot);
        }
    }
    return {};
}
