#include "report/eval/TRpEvEnvironment.h"

#include "report/eval/Cp949Bytes.h"
#include "report/eval/EvalMessages.h"
#include "report/eval/ExpressionParser.h"
#include "report/eval/NameElement.h"

namespace report {

using eval::Element;
using eval::ReportValueElement;

struct TRpEvEnvironment::Entry
{
    std::string name;
    std::string expression;
    // Set for a report constant whose value the report supplies.
    const ReportValues* report = nullptr;
    ReportValueElement::Which which = ReportValueElement::Which::PageNumber;
    std::unique_ptr<Element> prepared;
    // The recursion guard.
    bool evaluating = false;
};

TRpEvEnvironment::TRpEvEnvironment() = default;
TRpEvEnvironment::~TRpEvEnvironment() = default;

TRpEvEnvironment& TRpEvEnvironment::global()
{
    // One a thread: reports generated side by side (the web front's workers) each count their
    // own preparations. Nothing adds to it in the programs; a test adds on its own thread.
    static thread_local TRpEvEnvironment environment;
    return environment;
}

TRpEvEnvironment::Entry* TRpEvEnvironment::find(std::string_view name) const
{
    const std::string key = eval::upperCase(name);
    for (const auto& e : m_entries) {
        if (e->name == key)
            return e.get();
    }
    return nullptr;
}

void TRpEvEnvironment::addFunction(std::string_view name, std::string_view expression)
{
    if (name.empty())
        return;
    Entry* entry = find(name);
    if (!entry) {
        m_entries.push_back(std::make_unique<Entry>());
        entry = m_entries.back().get();
        entry->name = eval::upperCase(name);
    }
    entry->expression = std::string(expression);
    entry->report = nullptr;
    entry->prepared.reset();
    if (isPrepared())
        prepareEntry(*entry);
}

void TRpEvEnvironment::addReportConstants(const ReportValues* report)
{
    using Which = ReportValueElement::Which;
    const struct
    {
        const char* name;
        const char* expression;
        Which which;
    } constants[] = {
        {"PAGENUMBER", "0", Which::PageNumber},
        {"COLUMNNUMBER", "0", Which::ColumnNumber},
        {"REPORTTITLE", "''", Which::ReportTitle},
    };
    for (const auto& c : constants) {
        addFunction(c.name, c.expression);
        Entry* entry = find(c.name);
        entry->report = report;
        entry->which = c.which;
        entry->prepared.reset();
        if (isPrepared())
            prepareEntry(*entry);
    }
}

bool TRpEvEnvironment::deleteFunction(std::string_view name)
{
    const Entry* entry = find(name);
    if (!entry || entry->evaluating)
        return false;
    std::erase_if(m_entries, [entry](const auto& e) { return e.get() == entry; });
    return true;
}

bool TRpEvEnvironment::contains(std::string_view name) const
{
    return find(name) != nullptr;
}

std::vector<std::string> TRpEvEnvironment::names() const
{
    std::vector<std::string> out;
    for (const auto& e : m_entries)
        out.push_back(e->name);
    return out;
}

std::string TRpEvEnvironment::expression(std::string_view name) const
{
    const Entry* entry = find(name);
    return entry ? entry->expression : std::string();
}

void TRpEvEnvironment::prepareEntry(Entry& entry)
{
    if (entry.report)
        entry.prepared = std::make_unique<ReportValueElement>(entry.report, entry.which);
    else
        entry.prepared = eval::ExpressionParser(this).parse(entry.expression);
}

void TRpEvEnvironment::prepare()
{
    if (m_prepareCount++ > 0)
        return;
    for (auto& e : m_entries) {
        if (!e->prepared)
            prepareEntry(*e);
    }
}

void TRpEvEnvironment::unprepare()
{
    if (m_prepareCount == 0 || --m_prepareCount > 0)
        return;
    for (auto& e : m_entries) {
        // An entry being evaluated keeps its elements until it returns.
        if (!e->evaluating)
            e->prepared.reset();
    }
}

bool TRpEvEnvironment::setInteger(std::string_view name, int32_t value)
{
    return setValue(name, TRpEvResult::integer(value));
}

bool TRpEvEnvironment::setString(std::string_view name, std::string_view value)
{
    return setValue(name, TRpEvResult::string(value));
}

bool TRpEvEnvironment::setValue(std::string_view name, const TRpEvResult& value)
{
    Entry* entry = find(name);
    if (!entry || entry->evaluating)
        return false;
    if (auto* constant = dynamic_cast<eval::ConstantElement*>(entry->prepared.get()))
        constant->setValue(value);
    else
        entry->prepared = std::make_unique<eval::ConstantElement>(value);
    return true;
}

TRpEvResult TRpEvEnvironment::evaluate(std::string_view name)
{
    eval::EvalState state;
    return evaluate(name, state);
}

TRpEvResult TRpEvEnvironment::evaluate(std::string_view name, eval::EvalState& outer)
{
    Entry* entry = find(name);
    if (!entry)
        return TRpEvResult::error(
            eval::formatMessage(eval::msg::unknownFunction, {eval::upperCase(name)}));
    if (entry->evaluating)
        return TRpEvResult::error(eval::msg::recursiveCall);
    if (!entry->prepared)
        prepareEntry(*entry);
    // A name's expression is evaluated on its own: aggregates inside it are not stepped.
    eval::EvalState inner;
    inner.depth = outer.depth;
    entry->evaluating = true;
    struct Guard
    {
        Entry* entry;
        ~Guard() { entry->evaluating = false; }
    } guard{entry};
    return entry->prepared->evaluate(inner);
}

} // namespace report
