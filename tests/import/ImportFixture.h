#pragma once
// Shared setup of the import screen's tests: a fresh stock database opened as the local
// database, a scratch outside database, recorded message boxes and the screen driven by
// keys offscreen.
#include "OutsideDatabase.h"
#include "state/basGlobal.h"
#include "stock/frmImportar.h"
#include "support/TestSupport.h"
#include <QLineEdit>
#include <QProgressBar>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>

namespace quendarx::test {

// A locale with a date typed the way its users type it and the day it means.
struct LocaleCase {
    const char* name;
    QLocale locale;
    QString typedDate;      // 5 December 2026
    QString january;        // 20 January 2026
    QString decimalNumbers; // "'05,00','01,5000'" as the article insert carries them
};

inline std::vector<LocaleCase> bothLocales() {
    return {
        {"es_AR", esAR(), QStringLiteral("05/12/2026"), QStringLiteral("20/01/2026"),
         QStringLiteral("'05,00','01,5000'")},
        {"en_US", enUS(), QStringLiteral("12/05/2026"), QStringLiteral("01/20/2026"),
         QStringLiteral("'05.00','01.5000'")},
    };
}

inline void PrintTo(const LocaleCase& c, std::ostream* os) {
    *os << c.name;
}

inline std::string localeName(const ::testing::TestParamInfo<LocaleCase>& info) {
    return info.param.name;
}

class ImportTest : public ::testing::Test {
protected:
    explicit ImportTest(const QLocale& locale = esAR()) : locale_(locale) {}

    void SetUp() override {
        resetLibraryState();
        LibraryState& state = basGlobal();
        state.g_UbicacionBaseDatos = stock.path();
        state.conexionLocal().setConnectionString(
            QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + stock.path());
        state.conexionLocal().Connect();
        state.g_NumeroInterno = QStringLiteral("INT-1");
        state.g_BaseExterna = outside->connectionString();
    }
    void TearDown() override { resetLibraryState(); }

    frmImportar& screen() { return frmImportar::instance(); }
    QLineEdit* box(const char* name) { return screen().textBox(QString::fromLatin1(name)); }

    // Opens the screen when it is closed, fills the three fields and presses F11.
    void save(const QString& code, const QString& description, const QString& date) {
        if (!screen().isLoaded())
            screen().showModeless();
        box("txtINTNDC")->setText(code);
        box("txtINTDSC")->setText(description);
        box("txtINTFOF")->setText(date);
        QTest::keyClick(box("txtINTFOF"), Qt::Key_F11);
    }

    // Every end of a save leaves no outside connection and a hidden progress bar.
    void expectCleanEnd() {
        EXPECT_EQ(basGlobal().g_ConexionExterna, nullptr);
        if (screen().isLoaded()) {
            EXPECT_TRUE(screen().progressBar(QStringLiteral("Pb"))->isHidden());
        }
    }

    QStringList rows(const QString& statement) const { return stock.query(statement); }
    QStringList articles() const {
        return rows(QStringLiteral("select ARTNRO,INTNDC,ARTINO,ARTSNO,ARTNCM,ARTCAN,ARTUNI,"
                                   "ARTFOB,ARTDSC from ARTICULOS order by ARTINO,ARTSNO"));
    }
    QStringList declarations() const {
        return rows(QStringLiteral("select NUMERO,INTNDC,INTDSC,INTFOF from OPERACIONES "
                                   "order by INTFOF"));
    }
    QStringList messages() const {
        QStringList out;
        for (const ShownBox& b : boxes.shown)
            out << QString::number(b.style) + QLatin1Char(' ') + b.text;
        return out;
    }

    ScopedLocale locale_;
    ScratchDatabase stock;
    std::unique_ptr<OutsideDatabase> outside = std::make_unique<OutsideDatabase>();
    RecordingMessageBoxes boxes;
};

} // namespace quendarx::test

// Readable QString values in test failures.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
