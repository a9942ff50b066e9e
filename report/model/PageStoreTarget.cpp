#include "report/model/PageStoreTarget.h"

namespace report {

PageStoreTarget::PageStoreTarget(int64_t, bool) {}

void PageStoreTarget::append(const std::string& emf)
{
    m_pages.push_back(emf);
}

std::optional<std::string> PageStoreTarget::load(int n) const
{
    if (n < 1 || n > storedPages())
        return std::nullopt;
    return m_pages[size_t(n - 1)];
}

void PageStoreTarget::writeHeader() {}

void PageStoreTarget::writeToFile(const std::string&) {}

} // namespace report
