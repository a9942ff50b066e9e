#include "report/print/DeviceModeCodes.h"

#include "report/model/Paper.h"

#include <array>
#include <utility>

using namespace Qt::StringLiterals;

namespace report {

namespace {

// Qt's paper sources against the drivers' bin numbers, in the order of Qt's enum.
constexpr std::array<std::pair<QPrinter::PaperSource, int>, 13> sourceCodes{{
    {QPrinter::OnlyOne, 1},
    {QPrinter::Lower, 2},
    {QPrinter::Middle, 3},
    {QPrinter::Manual, 4},
    {QPrinter::Envelope, 5},
    {QPrinter::EnvelopeManual, 6},
    {QPrinter::Auto, 7},
    {QPrinter::Tractor, 8},
    {QPrinter::SmallFormat, 9},
    {QPrinter::LargeFormat, 10},
    {QPrinter::LargeCapacity, 11},
    {QPrinter::Cassette, 14},
    {QPrinter::FormSource, 15},
}};

} // namespace

int paperCodeOfPageSize(const QPageSize& size)
{
    if (!size.isValid())
        return 0;
    // A size made from dimensions is the user-defined paper; a driver's paper that Qt has no
    // name for has no code.
    if (size.id() == QPageSize::Custom)
        return size.key().startsWith(u"Custom"_s) ? userDefinedPaperCode : 0;
    const int code = size.windowsId();
    return code == userDefinedPaperCode ? 0 : code;
}

QPageSize pageSizeOfPaperCode(int code)
{
    if (code <= 0 || code == userDefinedPaperCode)
        return {};
    const QPageSize::PageSizeId id = QPageSize::id(code);
    if (id == QPageSize::Custom)
        return {};
    return QPageSize(id);
}

int sourceCodeOfPaperSource(QPrinter::PaperSource source)
{
    for (const auto& [qt, code] : sourceCodes) {
        if (qt == source)
            return code;
    }
    return 0;
}

QPrinter::PaperSource paperSourceOfSourceCode(int code)
{
    for (const auto& [qt, c] : sourceCodes) {
        if (c == code)
            return qt;
    }
    return QPrinter::Auto;
}

} // namespace report
