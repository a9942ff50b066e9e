#pragma once

namespace report {
class TRpReport;
}

// Gives a report's pages the look of a statement: a title, a boxed table of lines with
// Korean and Latin text and figures, and a footer line. Printed on every page.
void addSamplePage(report::TRpReport& report);
