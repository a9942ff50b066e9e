#pragma once

#include <string>

namespace storetest {

// A page picture as the report engine draws one: an A4 metafile with a title, some lines,
// boxes and numbers that differ from page to page.
std::string pagePicture(int page, int lines = 20);

// The whole content of a file.
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);

uint32_t u32At(const std::string& bytes, size_t at);
void putU32(std::string& bytes, size_t at, uint32_t value);

} // namespace storetest
