#pragma once

#include <string>

namespace printing {

// The supplier's own particulars printed on every statement (cp949 texts).
struct SupplierParticulars
{
    std::string registration;
    std::string name;
    std::string representative;
    std::string address;
    std::string businessType;
    std::string businessItem;
    std::string bankAccount;
};

} // namespace printing
