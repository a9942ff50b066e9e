#pragma once

#include <ostream>
#include <string>

namespace app {

// `mirola report info FILE`: header fields, page count, each page's record offset and size.
// Throws the store's errors for a damaged file.
void reportInfo(const std::string& path, std::ostream& out);

// `mirola report render FILE --page N --out F.png|F.svg|F.emf`: one page as a picture.
// Throws std::runtime_error with a one-line message.
void reportRender(const std::string& path, int page, const std::string& outPath);

} // namespace app
