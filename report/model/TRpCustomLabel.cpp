#include "report/model/TRpCustomLabel.h"

#include "report/model/Rounding.h"
#include "report/model/TRpBand.h"
#include "report/model/TRpPrinter.h"
#include "report/model/TRpReport.h"

#include <algorithm>

namespace report {

namespace {

// The one-character text whose height is a line's height.
constexpr std::string_view lineHeightProbe = "W";

bool isBreakByte(char c)
{
    return c == ' ' || c == '-' || c == '\r';
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

void TRpCustomLabel::setFont(const gfx::Font& font)
{
    m_parentFont = false;
    m_font = font;
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
    return MeasureLine(text, m_font);
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
        return m_font;
    gfx::Font f = m_font;
    if (f.height != 0) {
        f.size = f.pixelHeight(gfx::ScreenDpi) * 72 / gfx::ScreenDpi;
        f.height = 0;
    }
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

void TRpCustomLabel::BuildLines()
{
    if (!hasParent())
        return;
    m_printLines.clear();
    m_stopFlag = false;
    FeedParagraph(m_printText);
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
    if (MeasureLine(m_pendingLine + word) <= limit) {
        m_pendingLine += word;
        return;
    }
    if (m_pendingLine.empty()) {
        size_t taken = 0;
        while (taken < word.size() && MeasureLine(m_pendingLine + word[taken]) < limit)
            m_pendingLine += word[taken++];
        word.clear();
    }
    EmitLine();
    if (MeasureLine(word) > limit) {
        if (limit == 0)
            word.clear();
        else
            while (!word.empty() && MeasureLine(word) > limit)
                word.pop_back();
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

void TRpCustomLabel::EmitLine()
{
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
    int dy = 0;
    if (!(fitted == m_font)) {
        // A figure set smaller stands on the bottom of the full size's cell, so it keeps the
        // line its neighbours print on.
        const int full = canvas.TextHeight(lineHeightProbe);
        canvas.font = fitted;
        dy = full - canvas.TextHeight(lineHeightProbe);
    }
    canvas.TextOut(m_printer->DeviceX(x), m_printer->DeviceY(y) + dy, line);
    canvas.font = m_font;
}

void TRpCustomLabel::printLines(long double offsetX, long double offsetY)
{
    gfx::Canvas& canvas = m_printer->PageCanvas();
    canvas.font = m_font;
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
    while (m_nextLineIndex < lineCount && y + lineHeight <= bottom) {
        const std::string& line = m_printLines[size_t(m_nextLineIndex)];
        if (paintPass() && !line.empty())
            printLine(canvas, line, x, y);
        y += lineHeight;
        ++m_nextLineIndex;
    }
    m_allLinesPrinted = !(m_nextLineIndex < lineCount && autoStretch);
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
