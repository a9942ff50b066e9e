#pragma once

#include "exchange/Frame.h"

#include <string>
#include <string_view>

namespace exchange {

// The viewer form as the exchange sees it: the fields the request builders read, the switches
// the socket handlers set, and the row handlers that take the answers. All texts are cp949.
class ViewerHost
{
public:
    enum class Edit { SUBULYEAR, SSUBULMONTH, ESUBULMONTH, PassWD };

    virtual ~ViewerHost() = default;

    virtual std::string editText(Edit edit) const = 0;
    virtual void setEditText(Edit edit, const std::string& text) = 0;

    // CustList: the text of the selected item, empty with no item selected (index -1).
    virtual std::string selectedCustItem() const = 0;
    virtual void clearCustList() = 0;
    virtual void addCustItem(const std::string& item) = 0;
    virtual void setCustItemIndex(int index) = 0;

    // ImVarGrid1: the trading dates. Row() counts the header row; data row = Row() - 1.
    virtual int grid1DataRowCount() const = 0;
    virtual int grid1Row() const = 0;
    virtual std::string grid1DataCell(int col, int dataRow) const = 0;

    // Empties the statement lines and the four totals.
    virtual void DataClear2Execute() = 0;

    // The action DataSerch, the click of ImVarGrid1 (attached to MakeDataExecute or detached)
    // and the caption of Panel_Msg.
    virtual void setSearchEnabled(bool enabled) = 0;
    virtual void setGrid1ClickAttached(bool attached) = 0;
    virtual void setStatusText(const std::string& text) = 0;
    // A message box, as the framework shows an error that left an event handler.
    virtual void showMessage(const std::string& text) = 0;

    // A connection is being opened for a request.
    virtual void exchangeStarted() {}
    // The END frame of an answer arrived, before the next request of a chain goes out.
    virtual void answerComplete(Command) {}
    // The connection has ended and its disconnect handler has run; the driver tells how.
    virtual void exchangeEnded() {}

    // Row handlers, each given the body of one DATA frame.
    virtual void SocketMakeKey(std::string_view row) = 0;
    virtual void SocketMakeCust(std::string_view row) = 0;
    virtual void SocketMakeDate(std::string_view row) = 0;
    virtual void SocketMakeData(std::string_view row) = 0;
};

} // namespace exchange
