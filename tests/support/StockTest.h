#pragma once
// What the screen and operation tests start from: StockTest adds es_AR and recorded boxes.
#include "platform/Clock.h"
#include "state/basGlobal.h"
#include "support/TestSupport.h"
#include <gtest/gtest.h>

namespace quendarx::test {

// Starts the library afresh with `db` connected as its local database, the host's export
// item EXP-1 / 1 and the clock pinned at 2026-12-05 10:30.
inline void useStock(const ScratchDatabase& db) {
    resetLibraryState();
    LibraryState& g = basGlobal();
    g.g_NumeroInterno = QStringLiteral("EXP-1");
    g.g_Item = 1;
    g.g_UbicacionBaseDatos = db.path();
    g.conexionLocal().setConnectionString(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + db.path());
    g.conexionLocal().Connect();
    Clock::pin(QDateTime(QDate(2026, 12, 5), QTime(10, 30)));
}

class StockTest : public ::testing::Test {
protected:
    void SetUp() override { useStock(db); }
    void TearDown() override {
        resetLibraryState();
        Clock::release();
    }
    QString value(const QString& statement) const { return db.query(statement).value(0); }

    ScratchDatabase db;
    ScopedLocale locale{esAR()};
    RecordingMessageBoxes boxes;
};

} // namespace quendarx::test
