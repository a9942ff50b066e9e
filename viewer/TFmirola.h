#pragma once

#include "exchange/Statement.h"
#include "exchange/ViewerHost.h"
#include "gfx/Bitmap.h"
#include "printing/PrintCommand.h"
#include "printing/StatementFill.h"
#include "viewer/Configuration.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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

class GridStatementLines;

// The viewer form: query line, trading dates, particulars, statement lines, totals, three
// command buttons and the status line. Its fields show the statement the exchange's answers
// make; the print command reads that statement, its lines from grid 2.
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
    // The statement the answers made, its lines counted only: grid 2 holds them.
    const exchange::Statement& statement() const { return m_statement; }
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
    // Why the statement on the form cannot be printed now (cp949), empty when it can: grid 2
    // must hold the lines of the row selected in grid 1, and no exchange may be under way.
    std::string printRefusal() const;
    // No connection is open or asked for and no follow-up of the last one is still to run.
    bool isIdle() const;
    // The one-line message of the last exchange that failed; empty after one that did not.
    std::string lastFailure() const;
    // The print command's fill and generation without a window: the page written to `path`.
    void exportStatement(const std::string& path, const printing::ExportOptions& options);
    // The same pages added at the end of a document of several statements.
    void appendStatement(printing::StatementDocument& document);

    // Where error and notice texts go; a modal message box unless replaced (the headless
    // commands print them instead).
    std::function<void(const std::string&)> messageSink;
    // Where a yes-or-no question goes; a modal question box unless replaced. Without it, a
    // replaced messageSink takes the question as a message and the answer is no.
    std::function<bool(const std::string&)> questionSink;

    // Text of an edit or the combo box's edit part, as cp949 bytes. Set texts show their
    // start, so that a long address or item is read from its beginning.
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
    bool askQuestion(const std::string& text);
    void SocketMakeKey(std::string_view row) override;
    void SocketMakeCust(std::string_view row) override;
    void SocketMakeDate(std::string_view row) override;
    void SocketMakeData(std::string_view row) override;
    void exchangeStarted() override;
    void answerComplete(exchange::Command command) override;
    void exchangeEnded() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The fill of the print command for the statement on show; throws the refusal when it
    // cannot be printed.
    printing::StatementFiller printableStatement();
    using StatementKey = std::pair<std::string, std::string>; // trading date, sequence number
    // The date and number of grid 1's selected row; none while grid 1 is empty.
    std::optional<StatementKey> selectedStatement() const;
    // What is to follow an exchange: a search asked for during it, or the lines of a row
    // selected while the lines of another were on their way.
    void afterExchange();
    // Writes the running totals into their four edits, once for all lines added since the last
    // time: rewriting them for every line would cost more than the lines themselves.
    void flushTotals() const;
    // Totals of lines whose answer has not ended look different from whole ones.
    void markTotals() const;
    // What the form shows, for the status line: the dates and the selected statement's lines.
    std::string screenSummary() const;
    // The status text with what waits for the exchange to end.
    void showStatus();
    // The lines answer for a listed statement came back empty: the server refused it.
    std::string staleListText(const StatementKey& statement) const;
    // Holds back the painting of everything but the status line while an exchange runs, for
    // at most paintHoldMs: a quick exchange shows its result in one paint instead of one for
    // every step, a slow one shows its progress after that.
    void holdPainting(bool hold);
    void buildLayout();
    void dockPanels();
    void buildQueryLine();
    void buildParticulars();
    void buildTotals();
    void buildButtons();
    void buildActions();
    QLineEdit* edit(QWidget* parent, const char* name, int left, int top, int width, bool readOnly);
    void nameFieldsForAssistiveTechnology();
    QLabel* label(QWidget* parent, const char* name, const char* caption, int left, int top,
                  bool gulimChe, int width = 0, bool rightJustify = false);
    QAction* action(const char* name, const char* caption, void (TFmirola::*handler)());
    QLineEdit* editFor(Edit e) const;
    // The selected company item: the one whose text (or code) the edit part holds, even when
    // typed; -1 when no item matches.
    int custItemIndex() const;
    // Runs a handler the way the framework ran event handlers: an error that leaves it is
    // shown in a message box.
    void guarded(const std::function<void()>& handler);
    // Before grid 2 changes: a report that reads its lines from it gets its own copy.
    void detachPrintedLines();

    Configuration m_config;
    printing::PrintCommand m_printCommand;
    // The statement whose lines grid 2 holds, once their answer has ended.
    std::optional<StatementKey> m_linesOf;
    bool m_searchPending = false;
    // 인쇄 pressed while an exchange ran: it prints once the exchange and its follow-ups end.
    bool m_printPending = false;
    // The statement whose lines the server refused, and whether that is still to be told.
    std::optional<StatementKey> m_refusedLines;
    bool m_refusalToTell = false;
    // The statement to select again once the search asked for after a refusal lists it.
    std::optional<StatementKey> m_resumeStatement;
    // The date list of the search on show ended before its END frame.
    bool m_datesCut = false;
    // The status line's text before the note of a waiting command is added.
    std::string m_status;
    QLabel* m_totalsLabel = nullptr;
    bool m_followUpQueued = false;
    bool m_firstShow = true;
    QTimer* m_paintHold = nullptr;
    exchange::Statement m_statement{exchange::Statement::Lines::Counted};
    mutable bool m_totalsPending = false;
    // Told once the search chain has ended: no particulars, or no statements in the period.
    std::string m_notice;
    // The lines fills read from grid 2, as long as a report filled from them lives.
    mutable std::vector<std::weak_ptr<GridStatementLines>> m_printedLines;
};

} // namespace viewer
