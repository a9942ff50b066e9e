#pragma once

#include <string>
#include <vector>

namespace bench {

struct Company
{
    std::string code;
    std::string password;
};

// The demo database's companies with their security numbers.
inline const std::vector<Company> demoCompanies = {
    {"50001", "1234"}, {"50002", "5678"}, {"50003", "3141"}, {"50004", "2468"}, {"50005", "9090"}};

} // namespace bench
