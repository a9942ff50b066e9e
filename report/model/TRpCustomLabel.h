#pragma once

#include "gfx/Font.h"
#include "report/model/TRpPrintable.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace report {

// A printable text: its caption broken into lines by bytes, measured in the report's
// measuring context at the report's zoom. AutoSize is on from the start and resizes the label
// whenever its text or font changes: turn it off before giving a label a fixed size.
class TRpCustomLabel : public TRpPrintable
{
public:
    TRpCustomLabel();

    const std::string& caption() const { return m_caption; }
    // Sets the caption and the print text, and breaks it into lines at once.
    void setCaption(std::string caption);
    const std::string& printText() const { return m_printText; }
    void setPrintText(std::string text);
    const std::vector<std::string>& PrintLines() const { return m_printLines; }

    bool autoSize() const { return m_autoSize; }
    void setAutoSize(bool autoSize);
    bool wordWrap() const { return m_wordWrap; }
    void setWordWrap(bool wordWrap);
    bool autoStretch = false;
    // A figure (an amount, a count) prints whole or not at all: never cut by the line
    // breaking; where it is wider than the printable, it prints at the largest smaller size
    // that fits, down to minFigurePoints, and below that whole at that size, spilling to its
    // alignment's open side.
    bool figure() const { return m_figure; }
    void setFigure(bool figure);
    // Below this size a printed figure's digits stop being legible on paper. A figure that
    // does not fit at it is not printed: the printing fails, naming it.
    static constexpr int minFigurePoints = 5;
    // The font a line prints in: the printable's own, or a figure's fitted size.
    gfx::Font lineFont(std::string_view line) const;

    // A text that must print whole (a particular of a tax document): where its lines do not
    // fit the printable at its size, it prints at the largest smaller size whose lines do,
    // down to minTextPoints, and a word longer than a line goes on over the next lines. What
    // still does not fit there is cut at a character boundary and counted as cut (textCut).
    bool shrinkToFit() const { return m_shrinkToFit; }
    void setShrinkToFit(bool shrink);
    // Below this size Hangul stops being legible on paper: at 300 pixels per inch a 5-point
    // syllable is 20 pixels high.
    static constexpr int minTextPoints = 5;
    bool textCut() const { return m_textCut; }
    // What a message calls this text (cp949); the name when empty.
    std::string fieldName;
    std::string displayName() const { return fieldName.empty() ? name() : fieldName; }

    // The text font; ParentFont follows the report's font.
    const gfx::Font& font() const { return m_font; }
    void setFont(const gfx::Font& font);
    bool parentFont() const { return m_parentFont; }
    void setParentFont(bool parentFont);
    // The report's font changed.
    void parentFontChanged();
    // The streamed point size, applied when loading completes.
    int fontSize = 0;

    int nextLineIndex() const { return m_nextLineIndex; }
    bool allLinesPrinted() const { return m_allLinesPrinted; }

    // May replace the text of one printing.
    std::function<void(TRpCustomLabel&, std::string& text)> OnPrint;

    void setAlignment(TAlignment alignment) override;
    void setParentReport(TRpReport* report) override;
    void setParentBand(TRpBand* band) override;
    void Loaded() override;
    void PrintAt(long double offsetX, long double offsetY) override;

    // Line breaking.
    void BuildLines();
    // The font the lines were broken for: the printable's own, or a text's fitted size.
    const gfx::Font& linesFont() const { return m_linesFont; }
    void FeedParagraph(std::string_view text);
    void FeedWord(std::string word);
    void EmitLine();
    // The pixel width of a text at the report's zoom, plus one; 0 off a report.
    int MeasureLine(std::string_view text) const;
    int MeasureLine(std::string_view text, const gfx::Font& font) const;
    // The lowest pixel height that shows one line.
    int minimumHeight() const;

protected:
    // The text of the next printing, broken into lines when it prints.
    void assignPrintText(std::string text) { m_printText = std::move(text); }
    // Prints the print text (the text printables' common part of PrintAt).
    void printLines(long double offsetX, long double offsetY);
    void printLine(gfx::Canvas& canvas, const std::string& line, long double x, long double y);

private:
    void breakLines();
    void fitLines();
    // How many lines of the lines' font the printable's height holds.
    size_t linesThatFit() const;
    // Splits a word that is wider than a line over as many lines as it needs.
    void continueWord(std::string& word);

    std::string m_caption;
    std::string m_printText;
    std::vector<std::string> m_printLines;
    std::string m_pendingLine;
    bool m_stopFlag = false;
    bool m_autoSize = true;
    bool m_wordWrap = true;
    bool m_figure = false;
    bool m_shrinkToFit = false;
    bool m_textCut = false;
    gfx::Font m_font;
    gfx::Font m_linesFont;
    bool m_parentFont = true;
    int m_nextLineIndex = 0;
    bool m_allLinesPrinted = true;
    bool m_adjusting = false;
};

} // namespace report
