#pragma once
// A fresh stock database on the PostgreSQL server the libpq variables name (PGHOST,
// PGPORT, PGUSER, PGPASSWORD): under ctest, the run's throwaway server (server.start).
// Tests using it are skipped without a server. A fresh library state before and after,
// es_AR regional settings, the log in a file and the message boxes recorded.
#include "MeetingSaves.h"

namespace quendarx::test {

// The URI of a database of the server (with the password).
QString serverUri(const QString& database);

class ServerStock : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override {
        resetLibraryState();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    const QString& uri() const { return uri_; }
    // SetUp, then declaration D-1 and `rows` (more statements) in the stock: false when the
    // test was skipped or failed there.
    bool setUpWithDeclaration(const QString& rows) {
        ServerStock::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return false;
        exec("insert into OPERACIONES values ('1', 'D-1', 'Importacion', '2026-01-15');" + rows);
        return true;
    }
    // The library's connection to the stock at `location`, connected.
    static void connectLibrary(const QString& location) {
        basGlobal().conexionLocal().setConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + location);
        basGlobal().conexionLocal().Connect();
    }
    // Rows of a query as "a|b|..." (NULL for a null); fails the test on an error.
    QStringList query(const QString& sql) const;
    void exec(const QString& sql) const { query(sql); }
    MeetingStock stock() const {
        return {uri_, [this](const QString& sql) { exec(sql); }, [this](const QString& sql) { return query(sql); }};
    }

    ScopedLocale locale{esAR()};
    LogFile log;
    RecordingMessageBoxes boxes;

private:
    QString uri_;
};

} // namespace quendarx::test
