#pragma once

#include "viewer/TFmirola.h"

#include <QString>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace app {

// What the headless commands ask of the form.
struct FetchRequest
{
    std::string company; // the company code, the first 5 bytes of its list item
    std::string password;
    std::optional<int> year;
    std::optional<int> fromMonth;
    std::optional<int> toMonth;
    std::optional<int> date; // 1-based trading date to click after the search
};

// Drives the form the way a person does and waits for each exchange to end.
class Headless
{
public:
    explicit Headless(viewer::TFmirola& form, int timeoutMs = 30000);

    // Lets the start-up timer load the company list; false when the server gave none.
    bool loadCompanies(std::string& error);
    // Selects the company, types the security number and months, searches, and clicks the
    // trading date; false with a message when a step fails.
    bool fetch(const FetchRequest& request, std::string& error);

    // The print command's page of the fetched statement into `path` (.rpf, .pdf or .png): written
    // beside it under a temporary name and renamed when whole, so that a failure leaves no
    // file. False with a one-line message (UTF-8) for any failure.
    bool exportStatement(const std::string& path, const printing::ExportOptions& options,
                         std::string& error);
    // Every statement of the searched period into one document at `path` (.pdf or .rpf), each
    // from a new page, in trading-date order: one statement-line exchange a date, as a click on
    // the date makes, one after the other. `progress` hears (n, m) before statement n of m is
    // fetched. Written whole or not at all, as exportStatement.
    bool exportAll(const std::string& path, const printing::ExportOptions& options,
                   const std::function<void(int, int)>& progress, std::string& error);

    // The fields the exports so far had to cut even at their smallest size, one UTF-8 line
    // each naming the statement and the field.
    const std::vector<std::string>& warnings() const { return m_warnings; }

    // The company list, one item a line, as UTF-8.
    void printCompanies(std::ostream& out) const;
    // Particulars, trading dates, lines and totals as UTF-8 TSV.
    void printStatement(std::ostream& out) const;

private:
    // Runs `step` and waits until the exchange it starts, and any follow-up, has ended; false
    // with the failure or the message the form gave.
    bool runExchange(const std::function<void()>& step, std::string& error);
    // Runs `write` on a temporary name beside `path` and renames the file into place when it
    // has succeeded; otherwise the temporary file goes and the failure is told. A device or a
    // pipe under `path` is written directly.
    bool writeWhole(const std::string& path, const std::function<void(const std::string&)>& write,
                    std::string& error);
    // Runs `write` on `path`; false with the failure told when it throws.
    static bool writeTo(const std::string& path,
                        const std::function<void(const std::string&)>& write, std::string& error);

    // Notes the fields the last printing cut.
    void noteCutTexts();

    viewer::TFmirola& m_form;
    int m_timeoutMs;
    std::string m_message;
    std::vector<std::string> m_warnings;
};

} // namespace app
