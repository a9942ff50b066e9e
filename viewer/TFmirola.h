#pragma once

#include "exchange/ViewerHost.h"
#include "gfx/Bitmap.h"
#include "printing/PrintCommand.h"
#include "printing/StatementFill.h"
#include "viewer/Configuration.h"

#include <QWidget>
#include <functional>
#include <string>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QTimer;

namespace button {
class TFlatImageButton;
}
namespace exchange {
class ExchangeDriver;
}
namespace grid {
class TImVarGrid;
}

namespace viewer {

// The viewer form: query line, trading dates, particulars, statement lines, totals, three
// command buttons and the status line. Its fields are the only store of what the exchange
// fetched; the print command reads them back.
class TFmirola : public QWidget, public exchange::ViewerHost
{
    Q_OBJECT

public:
    explicit TFmirola(const Configuration& config = Configuration::defaults(),
                      QWidget* parent = nullptr);
    ~TFmirola() override;

    // Components, by their names on the form.
    QFrame* Panel_Menu;
    QFrame* Panel1;
    QFrame* Panel_Key;
    QLabel* Panel_Msg;
    QFrame* Panel_Main;
    QFrame* Panel_Main_Top;
    QFrame* Panel_Main_Botton;
    QLineEdit* SUBULYEAR;
    QLineEdit* SSUBULMONTH;
    QLineEdit* ESUBULMONTH;
    QComboBox* CustList;
    QLineEdit* PassWD;
    QLineEdit* REGISTRATION;
    QLineEdit* CUSTNAME;
    QLineEdit* CHIEF;
    QLineEdit* ADDRESS;
    QLineEdit* JOBKIND;
    QLineEdit* JOBITEM;
    QLineEdit* TOTAMTAX;
    QLineEdit* TOTCOUNT;
    QLineEdit* TOTAMT;
    QLineEdit* TOTTAX;
    grid::TImVarGrid* ImVarGrid1;
    grid::TImVarGrid* ImVarGrid2;
    button::TFlatImageButton* FlatImageButton1;
    button::TFlatImageButton* FlatImageButton6;
    button::TFlatImageButton* FlatImageButton7;
    QTimer* Timer1;
    exchange::ExchangeDriver* ClientSocket1;
    // The supplier's seal picture, never shown on the form.
    gfx::Bitmap Image1;

    QAction* DataSerch;
    QAction* DataPrint;
    QAction* DataExit;
    QAction* DataClear;
    QAction* DataClear1;
    QAction* DataClear2;
    QAction* MakeKey;
    QAction* MakeCust;
    QAction* MakeDate;
    QAction* MakeData;
    QAction* RepInit;
    QAction* RepData;

    const Configuration& configuration() const { return m_config; }
    // The print command of this viewer; its page and window exist while it runs.
    const printing::PrintCommand& printCommand() const { return m_printCommand; }

    // Handlers.
    void Timer1Timer();
    void DataSerchExecute();
    void DataPrintExecute();
    void DataExitExecute();
    void DataClearExecute();
    void DataClear1Execute();
    void DataClear2Execute() override;
    void MakeKeyExecute();
    void MakeCustExecute();
    void MakeDateExecute();
    void MakeDataExecute();
    void RepInitExecute();
    void RepDataExecute();

    // What the focused statement shows, as the print command reads it when it starts.
    printing::StatementInputs statementInputs() const;
    // The print command's fill and generation without a window: the page written to `path`.
    void exportStatement(const std::string& path, const printing::ExportOptions& options);

    // Where error and notice texts go; a modal message box unless replaced (the headless
    // commands print them instead).
    std::function<void(const std::string&)> messageSink;

    // Text of an edit or the combo box's edit part, as cp949 bytes.
    static std::string textOf(const QLineEdit* edit);
    static void setTextOf(QLineEdit* edit, const std::string& text);

    // exchange::ViewerHost
    std::string editText(Edit edit) const override;
    void setEditText(Edit edit, const std::string& text) override;
    std::string selectedCustItem() const override;
    void clearCustList() override;
    void addCustItem(const std::string& item) override;
    void setCustItemIndex(int index) override;
    int grid1DataRowCount() const override;
    int grid1Row() const override;
    std::string grid1DataCell(int col, int dataRow) const override;
    void setSearchEnabled(bool enabled) override;
    void setGrid1ClickAttached(bool attached) override;
    void setStatusText(const std::string& text) override;
    void showMessage(const std::string& text) override;
    void SocketMakeKey(std::string_view row) override;
    void SocketMakeCust(std::string_view row) override;
    void SocketMakeDate(std::string_view row) override;
    void SocketMakeData(std::string_view row) override;

private:
    void buildLayout();
    void buildActions();
    QLineEdit* edit(QWidget* parent, const char* name, int left, int top, int width,
                    bool readOnly);
    QLabel* label(QWidget* parent, const char* name, const char* caption, int left, int top,
                  bool gulimChe, int width = 0, bool rightJustify = false);
    QAction* action(const char* name, const char* caption, void (TFmirola::*handler)());
    QLineEdit* editFor(Edit e) const;
    // The selected company item, -1 when none is (also after typing into the edit part).
    int custItemIndex() const;
    // Runs a handler the way the framework ran event handlers: an error that leaves it is
    // shown in a message box.
    void guarded(const std::function<void()>& handler);

    Configuration m_config;
    printing::PrintCommand m_printCommand;
};

} // namespace viewer
