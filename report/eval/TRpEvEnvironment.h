#pragma once

#include "report/eval/TRpEvResult.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace report {

class ReportValues;
namespace eval {
struct EvalState;
}

// Named constants for expressions: an ordered list of names (kept in upper case), each bound
// to an expression of its own. A report's `Functions` is one; one global environment is shared
// by all reports. Expressions are parsed while the environment is prepared (and on first use),
// and released by the last unprepare.
class TRpEvEnvironment
{
public:
    TRpEvEnvironment();
    ~TRpEvEnvironment();
    TRpEvEnvironment(const TRpEvEnvironment&) = delete;
    TRpEvEnvironment& operator=(const TRpEvEnvironment&) = delete;

    // The environment shared by all reports of a thread; names of a report's `Functions` come
    // first.
    static TRpEvEnvironment& global();

    // Binds the name to the expression; a name already there takes the new expression. An
    // empty name is ignored.
    void addFunction(std::string_view name, std::string_view expression);
    // The report's constants PAGENUMBER = "0", COLUMNNUMBER = "0" and REPORTTITLE = "''"; with
    // a report their values are read from it.
    void addReportConstants(const ReportValues* report = nullptr);
    bool deleteFunction(std::string_view name);
    bool contains(std::string_view name) const;
    // Names in the order they were added.
    std::vector<std::string> names() const;
    // The expression text of a name; empty for an unknown name.
    std::string expression(std::string_view name) const;

    // Nested preparations are counted; the first parses every expression, the last unprepare
    // releases them (and any value set meanwhile).
    void prepare();
    void unprepare();
    bool isPrepared() const { return m_prepareCount > 0; }

    // Overwrites the value a name answers until the last unprepare; false for an unknown name.
    bool setInteger(std::string_view name, int32_t value);
    bool setString(std::string_view name, std::string_view value);
    bool setValue(std::string_view name, const TRpEvResult& value);

    // The value of a name's expression; "Unknown function : %s" for a name not here and
    // "Recursive calls not allowed" for a name asked for while its own value is being found.
    TRpEvResult evaluate(std::string_view name);
    // The same inside a running evaluation, which carries the nesting depth on.
    TRpEvResult evaluate(std::string_view name, eval::EvalState& outer);

private:
    struct Entry;
    Entry* find(std::string_view name) const;
    void prepareEntry(Entry& entry);

    std::vector<std::unique_ptr<Entry>> m_entries;
    int m_prepareCount = 0;
};

} // namespace report
