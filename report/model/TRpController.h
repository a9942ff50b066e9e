#pragma once

#include <functional>
#include <vector>

namespace report {

class TRpBand;
class TRpPrintable;

// The report's record controller: the title, detail and summary bands, whether a report
// without records still prints, and the printables that count the detail's printings.
class TRpController
{
public:
    TRpBand* header = nullptr; // the title band
    TRpBand* detail = nullptr;
    TRpBand* footer = nullptr; // the summary band
    bool printIfEmpty = true;

    // Printables told of every printing of the detail band (aggregating expression fields).
    void addNotifyClient(TRpPrintable* client);
    void clearNotifyClients() { m_clients.clear(); }
    void notifyDataAdvance();

    // What a run needs from the report: print one band, fetch the next record (none: the
    // report has no data), and whether the run was cancelled.
    struct Run
    {
        std::function<void(TRpBand*)> printBand;
        std::function<bool()> needData;
        std::function<bool()> cancelled;
    };

    // The record loop. Without data the bands print once, and only with printIfEmpty; with
    // data the title prints before the first record, the detail once per record and the
    // summary after the last one.
    void Execute(const Run& run);

private:
    void printOnce(const Run& run);

    std::vector<TRpPrintable*> m_clients;
};

} // namespace report
