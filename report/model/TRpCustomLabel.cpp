#include "report/model/TRpCustomLabel.h"

#include "report/model/ERpError.h"
#include "report/model/Rounding.h"
#include "report/model/TRpBand.h"
#include "report/model/TRpPrinter.h"
#include "report/model/TRpReport.h"
#include "text/Cp949.h"

#include <algorithm>

namespace report {

namespace {

// The one-character text whose height is a line's height.
constexpr std::string_view lineHeightProbe = "W";

bool isBreakByte(char c)
{
    return c == ' ' || c == '-' || c == '\r';
}

std::string_view withoutTrailingSpaces(std::string_view s)
{
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

// The same font given by its point size, which can step down.
gfx::Font inPoints(gfx::Font f)
{
    if (f.height != 0) {
        f.size = f.pixelHeight(gfx::ScreenDpi) * 72 / gfx::ScreenDpi;
        f.height = 0;
    }
    return f;
}

} // namespace

TRpCustomLabel::TRpCustomLabel()
{
    setTransparent(false);
}

void TRpCustomLabel::setCaption(std::string caption)
{
    m_caption = std::move(caption);
    m_printText = m_caption;
    BuildLines();
}

void TRpCustomLabel::setPrintText(std::string text)
{
    m_printText = std::move(text);
    BuildLines();
}

void TRpCustomLabel::setAutoSize(bool autoSize)
{
    m_autoSize = autoSize;
    BuildLines();
}

void TRpCustomLabel::setWordWrap(bool wordWrap)
{
    m_wordWrap = wordWrap;
    BuildLines();
}

void TRpCustomLabel::setFigure(bool figure)
{
    m_figure = figure;
    BuildLines();
}

void TRpCustomLabel::setShrinkToFit(bool shrink)
{
    m_shrinkToFit = shrink;
    BuildLines();
}

void TRpCustomLabel::setFont(const gfx::Font& font)
{
    m_parentFont = false;
    m_font = font;
    m_linesFont = font;
    BuildLines();
}

void TRpCustomLabel::setParentFont(bool parentFont)
{
    m_parentFont = parentFont;
    parentFontChanged();
}

void TRpCustomLabel::parentFontChanged()
{
    if (!m_parentFont || !report())
        return;
    m_font = report()->font();
    m_linesFont = m_font;
    BuildLines();
}

void TRpCustomLabel::setAlignment(TAlignment alignment)
{
    TRpPrintable::setAlignment(alignment);
    BuildLines();
}

void TRpCustomLabel::setParentReport(TRpReport* report)
{
    TRpPrintable::setParentReport(report);
    parentFontChanged();
    BuildLines();
}

void TRpCustomLabel::setParentBand(TRpBand* band)
{
    TRpPrintable::setParentBand(band);
    parentFontChanged();
    BuildLines();
}

void TRpCustomLabel::Loaded()
{
    TRpPrintable::Loaded();
    if (fontSize > 0) {
        gfx::Font f = m_font;
        f.size = fontSize;
        f.height = 0;
        setFont(f);
    }
}

int TRpCustomLabel::MeasureLine(std::string_view text) const
{
    return MeasureLine(text, m_linesFont);
}

int TRpCustomLabel::MeasureLine(std::string_view text, const gfx::Font& font) const
{
    TRpReport* owner = report();
    if (!owner)
        return 0;
    gfx::Canvas& context = owner->MeasureContext();
    context.font = font;
    return MulDiv(context.TextWidth(text) + 1, owner->zoom(), 100);
}

gfx::Font TRpCustomLabel::lineFont(std::string_view line) const
{
    if (!m_figure || !report() || MeasureLine(line) <= width())
        return m_linesFont;
    gfx::Font f = inPoints(m_font);
    const int full = f.size;
    for (int size = full - 1; size >= minFigurePoints; --size) {
        f.size = size;
        if (MeasureLine(line, f) <= width())
            return f;
    }
    f.size = std::min(full, minFigurePoints);
    return f;
}

int TRpCustomLabel::minimumHeight() const
{
    TRpReport* owner = report();
    if (!owner)
        return 0;
    gfx::Canvas& context = owner->MeasureContext();
    context.font = m_font;
    return context.TextHeight(lineHeightProbe) * owner->zoom() / 100 + 1;
}

void TRpCustomLabel::breakLines()
{
    m_printLines.clear();
    m_stopFlag = false;
    FeedParagraph(m_printText);
}

size_t TRpCustomLabel::linesThatFit() const
{
    TRpReport* owner = report();
    gfx::Canvas& context = owner->MeasureContext();
    context.font = m_linesFont;
    const int lineHeight = context.TextHeight(lineHeightProbe) * owner->zoom() / 100;
    // The last line's extent stays inside the printable.
    return lineHeight > 0 ? size_t(std::max(0, height()) / lineHeight) : m_printLines.size();
}

void TRpCustomLabel::fitLines()
{
    if (m_printLines.size() <= linesThatFit())
        return;
    gfx::Font f = inPoints(m_font);
    for (int size = f.size - 1; size >= minTextPoints; --size) {
        f.size = size;
        m_linesFont = f;
        breakLines();
        if (m_printLines.size() <= linesThatFit())
            return;
    }
    // Too long even at the smallest legible size: what fits prints, and the printing says what
    // was cut.
    m_printLines.resize(std::min(m_printLines.size(), linesThatFit()));
    m_textCut = true;
}

void TRpCustomLabel::BuildLines()
{
    if (!hasParent())
        return;
    m_linesFont = m_font;
    m_textCut = false;
    breakLines();
    if (m_shrinkToFit && !m_autoSize && !m_figure && m_wordWrap && report())
        fitLines();
    if (!report() || m_adjusting)
        return;
    m_adjusting = true;
    const int minHeight = minimumHeight();
    if (height() < minHeight)
        changeBounds(left(), top(), width(), minHeight);
    if (m_autoSize) {
        int w = 0;
        for (const auto& line : m_printLines)
            w = std::max(w, MeasureLine(line));
        if (frame.drawLeft)
            w += frame.width;
        if (frame.drawRight)
            w += frame.width;
        int newLeft = left();
        if (alignment() == taRightJustify)
            newLeft += width() - w;
        else if (alignment() == taCenter)
            newLeft += (width() - w) / 2;
        changeBounds(newLeft, top(), w, std::max(height(), minHeight));
    }
    m_adjusting = false;
}

void TRpCustomLabel::FeedParagraph(std::string_view input)
{
    std::string text(input);
    std::erase(text, '\n');
    if (text.find('\r') != std::string::npos) {
        size_t start = 0;
        for (size_t cr = text.find('\r'); cr != std::string::npos; cr = text.find('\r', start)) {
            FeedParagraph(std::string_view(text).substr(start, cr - start));
            start = cr + 1;
        }
        FeedParagraph(std::string_view(text).substr(start));
        return;
    }
    m_pendingLine.clear();
    m_stopFlag = false;
    if (m_autoSize || m_figure) {
        m_pendingLine = text;
        EmitLine();
        m_stopFlag = true;
        return;
    }
    size_t start = 0;
    while (start < text.size()) {
        size_t end = start;
        while (end < text.size() && !isBreakByte(text[end]))
            ++end;
        if (end < text.size())
            ++end; // the break byte belongs to the word before it
        FeedWord(text.substr(start, end - start));
        start = end;
    }
    if (!m_stopFlag)
        EmitLine();
}

void TRpCustomLabel::FeedWord(std::string word)
{
    const int limit = width();
    if (m_shrinkToFit && m_wordWrap) {
        // A space at the end of a line takes no room on paper.
        if (MeasureLine(withoutTrailingSpaces(m_pendingLine + word)) <= limit) {
            m_pendingLine += word;
            return;
        }
        if (!m_pendingLine.empty())
            EmitLine();
        continueWord(word);
        m_pendingLine = std::move(word);
        return;
    }
    if (MeasureLine(m_pendingLine + word) <= limit) {
        m_pendingLine += word;
        return;
    }
    // Cuts fall between characters: half of a two-byte one would print as a replacement sign.
    if (m_pendingLine.empty()) {
        size_t taken = 0;
        while (taken < word.size()) {
            const size_t next = taken + text::characterLength(word, taken);
            if (MeasureLine(std::string_view(word).substr(0, next)) >= limit)
                break;
            taken = next;
        }
        m_pendingLine = word.substr(0, taken);
        word.clear();
    }
    EmitLine();
    if (MeasureLine(word) > limit) {
        if (limit == 0)
            word.clear();
        else
            while (!word.empty() && MeasureLine(word) > limit)
                word.resize(text::wholeCharacters(word, word.size() - 1));
        m_pendingLine = word;
        EmitLine();
        word.clear();
    }
    if (!m_wordWrap) {
        word.clear();
        m_stopFlag = true;
    }
    m_pendingLine += word;
}

void TRpCustomLabel::continueWord(std::string& word)
{
    const int limit = width();
    while (MeasureLine(withoutTrailingSpaces(word)) > limit) {
        // At least one character a line, so that a printable narrower than one still ends.
        size_t taken = text::characterLength(word, 0);
        while (taken < word.size()) {
            const size_t next = taken + text::characterLength(word, taken);
            if (MeasureLine(std::string_view(word).substr(0, next)) > limit)
                break;
            taken = next;
        }
        m_pendingLine = word.substr(0, taken);
        EmitLine();
        word.erase(0, taken);
    }
}

void TRpCustomLabel::EmitLine()
{
    if (m_shrinkToFit)
        m_pendingLine.resize(withoutTrailingSpaces(m_pendingLine).size());
    m_printLines.push_back(m_pendingLine);
    m_pendingLine.clear();
}

void TRpCustomLabel::PrintAt(long double offsetX, long double offsetY)
{
    if (!IsPrintEnabled() || !m_printer)
        return;
    printLines(offsetX, offsetY);
}

void TRpCustomLabel::printLine(gfx::Canvas& canvas, const std::string& line, long double x,
                               long double y)
{
    const gfx::Font fitted = lineFont(line);
    if (m_figure && MeasureLine(line, fitted) > width())
        throw ERpError(text::cp949("칸에 다 들어가지 않는 숫자가 있어 인쇄할 수 없습니다: ") +
                       displayName() + " " + line);
    int dy = 0;
    if (!(fitted == m_linesFont)) {
        // A figure set smaller stands on the bottom of the full size's cell, so it keeps the
        // line its neighbours print on.
        const int full = canvas.TextHeight(lineHeightProbe);
        canvas.font = fitted;
        dy = full - canvas.TextHeight(lineHeightProbe);
    }
    canvas.TextOut(m_printer->DeviceX(x), m_printer->DeviceY(y) + dy, line);
    canvas.font = m_linesFont;
}

void TRpCustomLabel::printLines(long double offsetX, long double offsetY)
{
    gfx::Canvas& canvas = m_printer->PageCanvas();
    canvas.font = m_linesFont;
    const long double lineHeight = canvas.TextHeight(lineHeightProbe) / m_printer->YScale();
    const NativeRect placed = placedAt(offsetX, offsetY);
    long double left = placed.left;
    long double top = placed.top;
    const long double height = placed.height;
    const long double originalWidth = placed.width;

    const std::string savedText = m_printText;
    if (OnPrint && !m_printText.empty())
        OnPrint(*this, m_printText);
    BuildLines();
    const long double w = size().nativeValue(TRpPrintableSize::WidthIndex);

    if (paintPass() && !transparent()) {
        canvas.brush = {color, gfx::BrushStyle::Solid};
        canvas.pen.width = 0;
        canvas.FillRect(deviceRect(left, top, w, height));
    }
    if (frame.drawsAnything()) {
        const int inset = Round(frame.nativeWidth());
        if (frame.drawTop)
            top += inset;
        if (frame.drawLeft)
            left += inset;
    }

    long double x = left;
    if (m_autoSize && alignment() == taRightJustify)
        x = left - (w - originalWidth);
    else if (m_autoSize && alignment() == taCenter)
        x = left - (w - originalWidth) / 2;
    canvas.bkMode = gfx::BkMode::Transparent;
    unsigned textAlign = gfx::TA_TOP | gfx::TA_LEFT;
    if (alignment() == taRightJustify) {
        textAlign = gfx::TA_TOP | gfx::TA_RIGHT;
        x += w;
    } else if (alignment() == taCenter) {
        textAlign = gfx::TA_TOP | gfx::TA_CENTER;
        x += w / 2;
    }
    canvas.textAlign = textAlign;

    if (m_allLinesPrinted)
        m_nextLineIndex = 0;
    long double y = top;
    const long double bottom = top + height + 1;
    const int lineCount = int(m_printLines.size());
    // A text fitted to the printable prints all its lines: the fit was measured, and another
    // device's rounding must not drop a line of a particular.
    while (m_nextLineIndex < lineCount && (m_shrinkToFit || y + lineHeight <= bottom)) {
        const std::string& line = m_printLines[size_t(m_nextLineIndex)];
        if (paintPass() && !line.empty())
            printLine(canvas, line, x, y);
        y += lineHeight;
        ++m_nextLineIndex;
    }
    m_allLinesPrinted = !(m_nextLineIndex < lineCount && autoStretch);
    if (paintPass() && m_textCut)
        report()->noteCutText(displayName());
    canvas.SelectClipRgn(nullptr);
    if (paintPass())
        frame.Draw(canvas, deviceRect(left, top, w, height), m_printer->XScale(),
                   m_printer->YScale());
    if (m_printText != savedText) {
        m_printText = savedText;
        BuildLines();
    }
}

} // namespace report
