#pragma once

namespace report {

// Paper sizes; each ordinal is also the paper code of the printer driver, except Custom.
enum class TRpPaperSize {
    Default,
    Letter,
    LetterSmall,
    Tabloid,
    Ledger,
    Legal,
    Statement,
    Executive,
    A3,
    A4,
    A4Small,
    A5,
    B4,
    B5,
    Folio,
    Quarto,
    rp10X14,
    rp11X17,
    Note,
    Env9,
    Env10,
    Env11,
    Env12,
    Env14,
    CSheet,
    DSheet,
    ESheet,
    Custom,
};

enum TPrinterOrientation { poPortrait, poLandscape };

// Portrait width and length in millimetres; `known` is false for Default and Custom, whose
// dimensions come from the printer or from the page.
struct PaperDimensions
{
    long double widthMM = 0;
    long double lengthMM = 0;
    bool known = false;
};

PaperDimensions paperDimensions(TRpPaperSize paper);

// The driver's paper code: the ordinal, or the user-defined paper code for Custom.
int paperCode(TRpPaperSize paper);
// The paper whose code is `code`, or Default when none has it.
TRpPaperSize paperFromCode(int code);

constexpr int userDefinedPaperCode = 256;

} // namespace report
