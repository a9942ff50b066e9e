#include "app/Headless.h"

#include "app/InterruptCleanup.h"
#include "exchange/ExchangeDriver.h"
#include "grid/TImVarGrid.h"
#include "report/store/WholeFile.h"
#include "text/Cp949.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryFile>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <numeric>
#include <vector>

using namespace Qt::StringLiterals;

namespace app {

namespace {

std::string utf8(const std::string& cp949Bytes)
{
    return text::fromCp949(cp949Bytes).toStdString();
}

} // namespace

Headless::Headless(viewer::TFmirola& form, int timeoutMs) : m_form(form), m_timeoutMs(timeoutMs)
{
    m_form.messageSink = [this](const std::string& text) { m_message = text; };
}

bool Headless::runExchange(const std::function<void()>& step, std::string& error)
{
    m_message.clear();
    step();
    QDeadlineTimer deadline(m_timeoutMs);
    while (!m_form.isIdle()) {
        if (deadline.hasExpired()) {
            error = "no answer from the statement server in time";
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    }
    // A failed exchange is told as its own message; a message box says why a step stopped or
    // what the answer lacked.
    if (const std::string failure = m_form.lastFailure(); !failure.empty()) {
        error = utf8(failure);
        return false;
    }
    if (!m_message.empty()) {
        error = utf8(m_message);
        return false;
    }
    return true;
}

bool Headless::loadCompanies(std::string& error)
{
    // The start-up timer's own handler, run now instead of after its delay.
    if (!runExchange(
            [this] {
                m_form.Timer1->stop();
                m_form.Timer1Timer();
            },
            error))
        return false;
    if (m_form.CustList->count() <= 1) {
        error = "the statement server at " + m_form.configuration().host + ":" +
                std::to_string(m_form.configuration().port) + " gave no company list";
        return false;
    }
    return true;
}

bool Headless::fetch(const FetchRequest& request, std::string& error)
{
    int index = -1;
    for (int i = 1; i < m_form.CustList->count(); ++i)
        if (text::toCp949(m_form.CustList->itemText(i)).substr(0, 5) == request.company)
            index = i;
    if (index < 0) {
        error = "company " + request.company + " is not in the company list";
        return false;
    }
    m_form.CustList->setCurrentIndex(index);
    viewer::TFmirola::setTextOf(m_form.PassWD, request.password);
    auto setNumber = [](QLineEdit* edit, std::optional<int> value, int width) {
        if (value)
            edit->setText(QString::number(*value).rightJustified(width, u'0'));
    };
    setNumber(m_form.SUBULYEAR, request.year, 4);
    setNumber(m_form.SSUBULMONTH, request.fromMonth, 2);
    setNumber(m_form.ESUBULMONTH, request.toMonth, 2);
    // No particulars and no statements in the period come back as the form's messages.
    if (!runExchange([this] { m_form.DataSerch->trigger(); }, error))
        return false;
    if (request.date) {
        const int rows = m_form.ImVarGrid1->DataRowCount();
        if (*request.date < 1 || *request.date > rows) {
            error = "trading date " + std::to_string(*request.date) + " out of range 1.." +
                    std::to_string(rows);
            return false;
        }
        // The search chain has already loaded the current row's lines.
        if (*request.date != m_form.ImVarGrid1->Row() &&
            !runExchange([this, &request] { m_form.ImVarGrid1->SetRow(*request.date); }, error))
            return false;
    }
    return true;
}

bool Headless::writeTo(const std::string& path,
                       const std::function<void(const std::string&)>& write, std::string& error)
{
    try {
        write(path);
    } catch (const std::exception& e) {
        error = utf8(e.what());
        return false;
    } catch (...) {
        error = "the statement could not be written";
        return false;
    }
    return true;
}

bool Headless::writeWhole(const std::string& path,
                          const std::function<void(const std::string&)>& write, std::string& error)
{
    const QFileInfo target(QString::fromLocal8Bit(path.c_str()));
    // A device or a pipe (/dev/stdout, a pipe to a printer) is written to as it is; renamed
    // over, it would become a regular file.
    if (report::WholeFile::isSpecial(target.filePath()))
        return writeTo(path, write, error);
    // Same folder, so the rename cannot cross file systems; same suffix, which picks the format.
    QTemporaryFile partial(target.absolutePath() + u"/."_s + target.completeBaseName() +
                           u".XXXXXX."_s + target.suffix());
    if (!partial.open()) {
        error = "cannot write in " + target.absolutePath().toStdString() + ": " +
                partial.errorString().toStdString();
        return false;
    }
    partial.close();
    const PartialFile removedOnInterrupt(partial.fileName().toLocal8Bit().toStdString());
    if (!writeTo(partial.fileName().toLocal8Bit().toStdString(), write, error)) {
        // The user knows the file by the name he gave, not by the hidden one it is made under.
        const std::string hidden = partial.fileName().toStdString();
        for (size_t at = error.find(hidden); at != std::string::npos;
             at = error.find(hidden, at + path.size()))
            error.replace(at, hidden.size(), path);
        return false;
    }
    // The temporary file is private to its owner; the result is an ordinary file.
    QFile::setPermissions(partial.fileName(), QFile::ReadOwner | QFile::WriteOwner |
                                                  QFile::ReadGroup | QFile::ReadOther);
    std::error_code renameError;
    std::filesystem::rename(partial.fileName().toLocal8Bit().toStdString(), path, renameError);
    if (renameError) {
        error = "cannot write " + path + ": " + renameError.message();
        return false;
    }
    partial.setAutoRemove(false);
    return true;
}

bool Headless::exportStatement(const std::string& path, const printing::ExportOptions& options,
                               std::string& error)
{
    return writeWhole(
        path,
        [&](const std::string& partial) {
            m_form.exportStatement(partial, options);
            noteCutTexts();
        },
        error);
}

void Headless::noteCutTexts()
{
    const std::vector<exchange::TradingDate>& dates = m_form.statement().dates();
    const int r = m_form.ImVarGrid1->Row() - 1;
    const std::string statement =
        r >= 0 && r < int(dates.size())
            ? utf8(dates[size_t(r)].date) + "-" + dates[size_t(r)].seq + ": "
            : std::string();
    for (const std::string& field : m_form.printCommand().cutTexts())
        m_warnings.push_back(statement + utf8(field) +
                             " was cut: it does not fit its cell at the smallest size");
}

bool Headless::exportAll(const std::string& path, const printing::ExportOptions& options,
                         const std::function<void(int, int)>& progress, std::string& error)
{
    grid::TImVarGrid& grid1 = *m_form.ImVarGrid1;
    const std::vector<exchange::TradingDate>& dates = m_form.statement().dates();
    // The rows in trading-date order, then by number, whatever order the list came in.
    std::vector<int> rows(dates.size());
    std::iota(rows.begin(), rows.end(), 1);
    const auto key = [&dates](int row) {
        const exchange::TradingDate& d = dates[size_t(row - 1)];
        return std::pair(d.date, QString::fromStdString(d.seq).toInt());
    };
    std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) { return key(a) < key(b); });

    printing::StatementDocument document(options.compress);
    const int count = int(rows.size());
    for (int n = 1; n <= count; ++n) {
        if (progress)
            progress(n, count);
        const int row = rows[size_t(n - 1)];
        if (row != grid1.Row() && !runExchange([&grid1, row] { grid1.SetRow(row); }, error))
            return false;
        try {
            m_form.appendStatement(document);
            noteCutTexts();
        } catch (const std::exception& e) {
            error = utf8(e.what());
            return false;
        }
    }
    return writeWhole(
        path, [&document](const std::string& partial) { document.writeTo(partial); }, error);
}

void Headless::printCompanies(std::ostream& out) const
{
    for (int i = 1; i < m_form.CustList->count(); ++i)
        out << m_form.CustList->itemText(i).toStdString() << '\n';
}

void Headless::printStatement(std::ostream& out) const
{
    const exchange::Statement& statement = m_form.statement();
    const exchange::CustParticulars& p = statement.particulars();
    const std::pair<const char*, const std::string&> particulars[] = {
        {"REGISTRATION", p.registration}, {"CUSTNAME", p.custName}, {"CHIEF", p.chief},
        {"ADDRESS", p.address},           {"JOBKIND", p.jobKind},   {"JOBITEM", p.jobItem},
    };
    for (const auto& [name, value] : particulars)
        out << name << '\t' << utf8(value) << '\n';
    const int selected = m_form.ImVarGrid1->Row();
    int n = 0;
    for (const exchange::TradingDate& d : statement.dates()) {
        ++n;
        out << "DATE\t" << n << '\t' << utf8(d.date) << '\t' << utf8(d.seq)
            << (n == selected ? "\tselected" : "") << '\n';
    }
    // The lines stay in grid 2 alone; the statement only counts them.
    const grid::TImVarGrid& lines = *m_form.ImVarGrid2;
    for (int r = 0; r < lines.DataRowCount(); ++r) {
        out << "LINE";
        for (int c = 0; c < 7; ++c)
            out << '\t' << utf8(lines.GetDataCell(c, r).toString());
        out << '\n';
    }
    const exchange::Totals t = statement.totals();
    const std::pair<const char*, const std::string&> totals[] = {
        {"TOTAMT", t.amount},
        {"TOTTAX", t.tax},
        {"TOTAMTAX", t.amountWithTax},
        {"TOTCOUNT", t.count},
    };
    for (const auto& [name, value] : totals)
        out << name << '\t' << value << '\n';
}

} // namespace app
