#pragma once

#include <ostream>
#include <string>

namespace app {

// `mirola report info FILE`: header fields, page count, each page's record offset and size.
// Every page is decoded and checked first: throws the store's errors for a damaged file or
// page, before anything is written to `out`.
void reportInfo(const std::string& path, std::ostream& out);

// `mirola report render FILE --page N --out F.png|F.svg|F.emf`: one page as a picture, as
// large as its paper at 96 ppi; a page claiming a paper beyond the largest is refused. The
// file appears whole or not at all. Throws std::runtime_error with a one-line message.
void reportRender(const std::string& path, int page, const std::string& outPath);

} // namespace app
