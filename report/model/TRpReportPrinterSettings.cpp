#include "report/model/TRpReportPrinterSettings.h"

#include <array>

namespace report {

namespace {

// In the order of TRpBin.
constexpr std::array<int, 14> sourceCodes = {1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 14, 14};

} // namespace

int binSourceCode(TRpBin bin)
{
    const auto index = static_cast<size_t>(bin);
    return index < sourceCodes.size() ? sourceCodes[index] : 1;
}

TRpBin binFromSourceCode(int code)
{
    for (size_t i = 0; i < sourceCodes.size(); ++i)
        if (sourceCodes[i] == code)
            return static_cast<TRpBin>(i);
    return TRpBin::First;
}

} // namespace report
