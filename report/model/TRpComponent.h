#pragma once

#include <string>

namespace report {

// A named part of a report's layout: a band or a printable.
class TRpComponent
{
public:
    virtual ~TRpComponent() = default;

    const std::string& name() const { return m_name; }
    void setName(std::string name) { m_name = std::move(name); }

private:
    std::string m_name;
};

} // namespace report
