#include "report/model/TRpController.h"

#include "report/model/TRpPrintable.h"

#include <algorithm>

namespace report {

void TRpController::addNotifyClient(TRpPrintable* client)
{
    if (std::find(m_clients.begin(), m_clients.end(), client) == m_clients.end())
        m_clients.push_back(client);
}

void TRpController::notifyDataAdvance()
{
    for (TRpPrintable* client : m_clients)
        client->NotifyPrintable(TRpNotifyOperation::DataAdvance);
}

void TRpController::printOnce(const Run& run)
{
    run.printBand(header);
    run.printBand(detail);
    run.printBand(footer);
}

void TRpController::Execute(const Run& run)
{
    if (!run.needData) {
        if (printIfEmpty)
            printOnce(run);
        return;
    }
    bool more = run.needData();
    if (!more) {
        if (printIfEmpty)
            printOnce(run);
        return;
    }
    run.printBand(header);
    while (more) {
        // Cancelling is looked at between records only.
        if (run.cancelled && run.cancelled())
            return;
        run.printBand(detail);
        more = run.needData();
    }
    run.printBand(footer);
}

} // namespace report
