#pragma once

#include "gfx/Font.h"
#include "gfx/Types.h"

#include <string>
#include <vector>

namespace report {
class TRpReport;
}

namespace testsupport {

// A text as the page picture draws it: the middle of its top edge and its text (UTF-8).
struct PageText
{
    int x = 0;
    int y = 0;
    std::string text;
    int left = 0; // the text's horizontal extent, [left, right)
    int right = 0;
    gfx::Font font;
};

// A stored page of a generated report played back at 96 pixels per inch (paper pixels).
struct PagePicture
{
    std::vector<PageText> texts;
    int pictures = 0; // bitmaps drawn
    bool valid = false;
};

PagePicture playPage(const report::TRpReport& report, int page);
// A page picture as stored (an EMF).
PagePicture playPicture(const std::string& emf);
// With MIROLA_RENDER_DIR set, saves the page as <name>-<dpi>.png there for a person to look at.
void saveForLooking(const report::TRpReport& report, int page, const std::string& name, int dpi);

// Every text whose top middle lies in a printable's pixel rectangle, joined and trimmed.
std::string textIn(const PagePicture& page, const gfx::Rect& r);
// The pixel rectangle of a printable of the report, by name.
gfx::Rect boundsOf(const report::TRpReport& report, const std::string& name);
// Whether any text on the page contains `utf8`.
bool pageShows(const PagePicture& page, const std::string& utf8);

} // namespace testsupport
