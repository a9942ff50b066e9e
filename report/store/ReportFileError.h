#pragma once

#include <stdexcept>
#include <string>

namespace report {

// Content of a report file or page record that cannot be read: a truncated file, an offset
// outside it, a page count that does not match, a metafile that does not parse. The message
// says what and where.
class EReportFileError : public std::runtime_error
{
public:
    explicit EReportFileError(const std::string& message) : std::runtime_error(message) {}
};

// A platform file error of the page-store stream or the save (cannot create, read or write).
class EStreamError : public std::runtime_error
{
public:
    explicit EStreamError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace report
