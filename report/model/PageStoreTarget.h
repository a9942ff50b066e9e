#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace report {

// The page store as the report printer fills it: finished page pictures in, stored pages out.
class PageStoreTarget
{
public:
    PageStoreTarget(int64_t spillThresholdBytes, bool compressed);

    void append(const std::string& emf);
    std::optional<std::string> load(int n) const;
    int storedPages() const { return int(m_pages.size()); }
    void writeHeader();
    void writeToFile(const std::string& fileName);

private:
    std::vector<std::string> m_pages;
};

} // namespace report
