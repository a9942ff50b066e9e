#include "report/eval/EvalMessages.h"

namespace report::eval {

std::string formatMessage(std::string_view pattern, std::initializer_list<std::string_view> values)
{
    std::string out;
    auto next = values.begin();
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 's' &&
            next != values.end()) {
            out += *next++;
            ++i;
            continue;
        }
        out.push_back(pattern[i]);
    }
    return out;
}

} // namespace report::eval
