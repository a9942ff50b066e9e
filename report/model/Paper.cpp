#include "report/model/Paper.h"

#include <array>
#include <cstddef>

namespace report {

namespace {

// In the order of TRpPaperSize; Default and Custom have no entry of their own.
constexpr std::array<PaperDimensions, 28> paperTable = {{
    {0, 0, false},          // Default
    {215.9L, 279.4L, true}, // Letter
    {215.9L, 279.4L, true}, // LetterSmall
    {279.4L, 431.8L, true}, // Tabloid
    {431.8L, 279.4L, true}, // Ledger
    {215.9L, 355.6L, true}, // Legal
    {139.7L, 215.9L, true}, // Statement
    {190.5L, 254L, true},   // Executive
    {297L, 420L, true},     // A3
    {210L, 297L, true},     // A4
    {210L, 297L, true},     // A4Small
    {148L, 210L, true},     // A5
    {250L, 354L, true},     // B4
    {182L, 257L, true},     // B5
    {215.9L, 330.2L, true}, // Folio
    {215L, 275L, true},     // Quarto
    {254L, 355.6L, true},   // rp10X14
    {279.4L, 431.8L, true}, // rp11X17
    {215.9L, 279L, true},   // Note
    {98.43L, 225.4L, true}, // Env9
    {104.8L, 241.3L, true}, // Env10
    {114.3L, 263.5L, true}, // Env11
    {101.6L, 279.4L, true}, // Env12
    {127L, 292.1L, true},   // Env14
    {100L, 100L, true},     // CSheet
    {100L, 100L, true},     // DSheet
    {100L, 100L, true},     // ESheet
    {0, 0, false},          // Custom
}};

} // namespace

PaperDimensions paperDimensions(TRpPaperSize paper)
{
    const auto index = static_cast<size_t>(paper);
    return index < paperTable.size() ? paperTable[index] : PaperDimensions{};
}

int paperCode(TRpPaperSize paper)
{
    return paper == TRpPaperSize::Custom ? userDefinedPaperCode : static_cast<int>(paper);
}

TRpPaperSize paperFromCode(int code)
{
    for (int i = 0; i <= static_cast<int>(TRpPaperSize::Custom); ++i) {
        const auto paper = static_cast<TRpPaperSize>(i);
        if (paperCode(paper) == code)
            return paper;
    }
    return TRpPaperSize::Default;
}

} // namespace report
