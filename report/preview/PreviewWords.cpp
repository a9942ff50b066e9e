#include "report/preview/PreviewWords.h"

using namespace Qt::StringLiterals;

namespace report {

QString pageIndicator(int page, int pages)
{
    return u"Page : %1/%2"_s.arg(page).arg(pages);
}

QString pageInWords(int page, int pages)
{
    return u"전체 %1쪽 중 %2쪽"_s.arg(pages).arg(page);
}

QString zoomInWords(int zoom)
{
    return u"배율 %1%"_s.arg(zoom);
}

} // namespace report
