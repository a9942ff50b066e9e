#pragma once

#include <QImage>
#include <QString>
#include <gtest/gtest.h>
#include <optional>

// The private print server that the fixture of these tests starts (cups-start.sh): where its
// queues put their documents and how to read a finished job back.
class CupsQueue
{
public:
    // A finished job as the server logged it and as its PDF came out.
    struct Job
    {
        int id = 0;
        int copies = 0;
        QString media;
        QString pdf; // the document the queue wrote
        int pages = 0;
    };

    // From the environment the tests run in (CUPS_SERVER, MIROLA_CUPS_ROOT).
    CupsQueue();

    // Whether the server is up. The fixture starts it only for root (cupsd runs its backend
    // as root); elsewhere the printing tests are skipped, but as root a missing server fails.
    bool available() const;
    QString whyUnavailable() const;
    static bool serverExpected();

    // Waits for the job titled `title` to finish; none when it did not within the time.
    std::optional<Job> waitForJob(const QString& title, int timeoutMs = jobTimeoutMs) const;
    // Page `page` (1-based) of a PDF rendered at `dpi`.
    static QImage renderPage(const QString& pdf, int page, int dpi);
    // A title no other job of this run has.
    static QString uniqueTitle(const QString& what);

    static constexpr int jobTimeoutMs = 60000;

private:
    std::optional<Job> findJob(const QString& title) const;

    QString m_root;
    QString m_socket;
};

// The base of tests that print on the fixture's server: skipped where the server cannot run,
// failed where it should run but does not.
class PrintServerTest : public ::testing::Test
{
protected:
    void SetUp() override;
    // Whether the test should go on after the base's SetUp.
    bool serverReady() const { return !IsSkipped() && !HasFatalFailure(); }

    CupsQueue queue;
};
