#pragma once

#include <cstdint>
#include <functional>

namespace grid {

// Base of the attribute objects: a parent to inherit from, a mark per attribute that was
// assigned, and the owner's change notification. Reading an attribute whose mark is clear
// gives the parent's effective value; assigning one that differs stores it and sets its mark.
template <class Derived> class TImPersistent
{
public:
    const Derived* parent() const { return m_parent; }
    void setParent(const Derived* parent) { m_parent = parent; }
    // Called after every change; the grid repaints.
    void setOnChanged(std::function<void()> onChanged) { m_onChanged = std::move(onChanged); }

    uint32_t assigned() const { return m_assigned; }
    bool isAssigned(int mark) const { return (m_assigned >> mark) & 1u; }
    // Holders clear the marks once they are built: only later assignments count.
    void clearAssigned() { m_assigned = 0; }

protected:
    template <class T> T inherited(int mark, const T& own, T (Derived::*get)() const) const
    {
        return (!isAssigned(mark) && m_parent) ? (m_parent->*get)() : own;
    }

    template <class T> bool assign(int mark, T& own, const T& value, T (Derived::*get)() const)
    {
        if ((static_cast<const Derived*>(this)->*get)() == value)
            return false;
        own = value;
        m_assigned |= 1u << mark;
        changed();
        return true;
    }

    void setMark(int mark, bool on)
    {
        if (on)
            m_assigned |= 1u << mark;
        else
            m_assigned &= ~(1u << mark);
    }

    void changed()
    {
        if (m_onChanged)
            m_onChanged();
    }

private:
    const Derived* m_parent = nullptr;
    uint32_t m_assigned = 0;
    std::function<void()> m_onChanged;
};

} // namespace grid
