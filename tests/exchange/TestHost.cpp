#include "tests/exchange/TestHost.h"

#include "text/Cp949.h"

namespace testsupport {

std::string TestHost::editText(Edit edit) const
{
    const auto it = edits.find(edit);
    return it == edits.end() ? std::string() : it->second;
}

void TestHost::setEditText(Edit edit, const std::string& text)
{
    edits[edit] = text;
}

std::string TestHost::selectedCustItem() const
{
    return custIndex < 0 || custIndex >= int(custList.size()) ? std::string()
                                                              : custList[size_t(custIndex)];
}

std::string TestHost::grid1DataCell(int col, int dataRow) const
{
    const exchange::TradingDate& d = statement.dates().at(size_t(dataRow));
    return col == 0 ? d.date : d.seq;
}

void TestHost::DataClear2Execute()
{
    ++clears2;
    statement.clearLines();
}

void TestHost::setSearchEnabled(bool enabled)
{
    searchEnabled = enabled;
    switches.push_back(enabled ? "search on" : "search off");
}

void TestHost::setGrid1ClickAttached(bool attached)
{
    clickAttached = attached;
    switches.push_back(attached ? "click on" : "click off");
}

void TestHost::setStatusText(const std::string& text)
{
    status = text;
    statuses.push_back(text);
    if (text.find(text::cp949("받는 중")) != std::string::npos)
        ++readEvents;
}

void TestHost::SocketMakeKey(std::string_view row)
{
    custList.push_back(exchange::companyItem(row));
    if (afterCompanyRow)
        afterCompanyRow();
}

void TestHost::SocketMakeCust(std::string_view row)
{
    statement.takeParticulars(row);
}

void TestHost::SocketMakeDate(std::string_view row)
{
    statement.addDate(row);
}

void TestHost::SocketMakeData(std::string_view row)
{
    statement.addLine(row);
}

bool TestHost::selectCompany(const std::string& code)
{
    for (size_t i = 0; i < custList.size(); ++i) {
        if (custList[i].rfind(code, 0) == 0) {
            custIndex = int(i);
            return true;
        }
    }
    return false;
}

} // namespace testsupport
