#pragma once

#include "exchange/Statement.h"
#include "exchange/ViewerHost.h"

#include <array>
#include <functional>
#include <map>
#include <vector>

namespace testsupport {

// The viewer form reduced to what the exchange reads and writes, kept in plain members.
class TestHost : public exchange::ViewerHost
{
public:
    std::string editText(Edit edit) const override;
    void setEditText(Edit edit, const std::string& text) override;

    std::string selectedCustItem() const override;
    void clearCustList() override { custList.clear(); }
    void addCustItem(const std::string& item) override { custList.push_back(item); }
    void setCustItemIndex(int index) override { custIndex = index; }

    int grid1DataRowCount() const override { return int(statement.dates().size()); }
    int grid1Row() const override { return row; }
    std::string grid1DataCell(int col, int dataRow) const override;

    void DataClear2Execute() override;

    void setSearchEnabled(bool enabled) override;
    void setGrid1ClickAttached(bool attached) override;
    void setStatusText(const std::string& text) override;
    void showMessage(const std::string& text) override { messages.push_back(text); }

    void SocketMakeKey(std::string_view row) override;
    void SocketMakeCust(std::string_view row) override;
    void SocketMakeDate(std::string_view row) override;
    void SocketMakeData(std::string_view row) override;

    // Selects the company item whose text begins with `code`; false when there is none.
    bool selectCompany(const std::string& code);

    std::map<Edit, std::string> edits;
    std::vector<std::string> custList;
    int custIndex = -1;
    exchange::Statement statement;
    int row = 1;
    bool searchEnabled = true;
    bool clickAttached = false;
    std::string status;
    std::vector<std::string> statuses; // every status text, in order
    // Every switch of search and grid-1 click, in order: "search off", "click on", ...
    std::vector<std::string> switches;
    int readEvents = 0; // status texts of a read event, one or more a read
    int clears2 = 0;
    std::vector<std::string> messages;
    // Runs after each company row, as a handler that opens a message box would.
    std::function<void()> afterCompanyRow;
};

} // namespace testsupport
