#pragma once
// A connected scratch stock database with the host's export item set, message boxes
// recorded, the clock pinned and es_AR regional settings: what the tests of the
// cancellation operations and of the modify screen start from.
#include "platform/Clock.h"
#include "state/basGlobal.h"
#include "support/TestSupport.h"
#include <QString>
#include <gtest/gtest.h>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace quendarx::test {

class CancellationsTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetLibraryState();
        LibraryState& g = basGlobal();
        g.g_NumeroInterno = QStringLiteral("EXP-1");
        g.g_Item = 1;
        clConexion& conexion = g.conexionLocal();
        conexion.setConnectionString(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") +
                                     db.path());
        conexion.Connect();
        Clock::pin(QDateTime(QDate(2026, 12, 5), QTime(10, 30, 0)));
    }
    void TearDown() override {
        resetLibraryState();
        Clock::release();
    }

    void article(const QString& intndc, int artino, int artsno, double artcan, double artdsc) {
        db.exec(QStringLiteral("insert into ARTICULOS (ARTNRO,INTNDC,ARTINO,ARTSNO,ARTNCM,ARTCAN,"
                               "ARTUNI,ARTFOB,ARTDSC) values ('N-%1-%2', '%3', %1, %2, 'NCM-%1', %4, "
                               "1.5, %4, %5)")
                    .arg(artino)
                    .arg(artsno)
                    .arg(quote(intndc))
                    .arg(artcan)
                    .arg(artdsc));
    }

    struct Row {
        int linord;
        QString intndc;
        int artino, artsno;
        double artcds;
        QString extnro = QStringLiteral("EXP-1");
        int extitm = 1;
        QString artexp = QStringLiteral("EX-9"), artcer = QStringLiteral("CER-1");
        QString artven = QStringLiteral("15/03/2027");
        QString artord = QStringLiteral("7"); // "NULL" for none
    };
    void cancellation(const Row& r) {
        db.exec(QStringLiteral("insert into CANCELACIONES (LINORD,INTNDC,ARTINO,ARTSNO,ARTCDS,ARTEXP,"
                               "ARTCER,ARTVEN,ARTORD,EXTNRO,EXTITM,EXTFDC) values (%1, '%2', %3, %4, "
                               "%5, '%6', '%7', '%8', %9, '%10', %11, '2026-01-02 08:00:00')")
                    .arg(r.linord)
                    .arg(quote(r.intndc))
                    .arg(r.artino)
                    .arg(r.artsno)
                    .arg(r.artcds)
                    .arg(quote(r.artexp), quote(r.artcer), quote(r.artven), r.artord,
                         quote(r.extnro))
                    .arg(r.extitm));
    }

    // One value of the database as text ("NULL" for null; "" when there is no row).
    QString value(const QString& statement) const {
        const QStringList rows = db.query(statement);
        return rows.isEmpty() ? QString() : rows.front();
    }
    QString available(const QString& intndc, int artino, int artsno) const {
        return value(QStringLiteral("select ARTDSC from ARTICULOS where INTNDC = '%1' and ARTINO = "
                                    "%2 and ARTSNO = %3")
                         .arg(quote(intndc))
                         .arg(artino)
                         .arg(artsno));
    }

    static QString quote(QString text) { return text.replace(QLatin1Char('\''), QStringLiteral("''")); }

    ScratchDatabase db;
    ScopedLocale locale{esAR()};
    RecordingMessageBoxes boxes;
};

} // namespace quendarx::test
