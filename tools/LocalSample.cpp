// sample: a few declarations in stock with their articles and cancellations, written
// through the library's own statements so the stored forms are the library's.
#include "DbTool.h"
#include "data/Schema.h"
#include "data/ServerSql.h"
#include "data/Statements.h"
#include "data/clConexion.h"
#include "platform/Regional.h"
#include "platform/RuntimeError.h"
#include <QFileInfo>
#include <cmath>
#include <vector>

namespace quendarx::tool {

namespace {

struct SampleArticle {
    const char* artnro;
    int artino, artsno;
    const char* artncm; // nullptr: no tariff position
    double quantity, unitPrice;
};

struct SampleDeclaration {
    const char *numero, *intndc, *intdsc, *intfof;
    std::vector<SampleArticle> articles;
};

struct SampleCancellation {
    const char* intndc;
    int artino, artsno;
    double quantity;
    const char *artexp, *artcer, *artven, *artord;
    const char* extnro;
    int extitm;
    QDateTime registered;
};

const std::vector<SampleDeclaration>& declarations() {
    static const std::vector<SampleDeclaration> list = {
        {"1024",
         "24001IC04000123A",
         "Repuestos para telares",
         "15/03/2024",
         {{"TL-4410-B", 1, 0, "8448.59.90", 120, 12.75},
          {"TL-2205", 2, 1, "8448.42.00", 40, 33.1},
          {"TL-2206", 2, 2, "8448.42.00", 60, 29.85},
          {"TL-9001", 3, 0, nullptr, 15, 210}}},
        {"1031",
         "24001IC04000311K",
         "Rodamientos y correas de transmisión",
         "02/05/2024",
         {{"SKF-6204-2RS", 1, 0, "8482.10.10", 500, 2.35}, {"GT2-1220", 2, 0, "4010.35.00", 200, 4.6}}},
        {"1047",
         "23073IC03001877B",
         "Hilados de poliéster texturizado",
         "28/11/2023",
         {{"PES-150D48F", 1, 0, "5402.33.00", 1250.5, 3.1275}}},
        {"1052",
         "24016IC04000045X",
         "Agujas para máquinas de tejer",
         "19/08/2024",
         {{"GR-80.52", 1, 1, "8452.30.00", 10000, 0.0845}, {"GR-80.70", 1, 2, "8452.30.00", 6000, 0.0912}}},
    };
    return list;
}

std::vector<SampleCancellation> cancellations() {
    return {
        // The whole quantity of the bearings: nothing left available.
        {"24001IC04000311K", 1, 0, 500, "EXP-2024-0118", "CO-44871", "30/06/2025", "12", "24001EC01000456T", 1,
         QDateTime(QDate(2024, 6, 3), QTime(9, 41, 12))},
        {"24001IC04000311K", 2, 0, 75.5, "EXP-2024-0118", "CO-44872", "30/06/2025", nullptr, "24001EC01000456T", 2,
         QDateTime(QDate(2024, 6, 3), QTime(9, 44, 50))},
        {"24001IC04000123A", 2, 1, 12.25, "EXP-2024-0131", "", "", "3", "24001EC01000502M", 1,
         QDateTime(QDate(2024, 7, 11), QTime(16, 5, 0))},
    };
}

QString n2(double value) { return Regional::format(value, QStringLiteral("00.00")); }

class Writer {
public:
    explicit Writer(const QString& path) {
        cn_.setConnectionString(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + path);
        try {
            cn_.Connect();
        } catch (const RuntimeError& e) {
            // The tool speaks one language: the engine's own reason, not the clerk's words.
            throw RuntimeError(e.number, cn_.lastError().isEmpty() ? e.description : cn_.lastError());
        }
    }
    void execute(const QString& statement) {
        check(statement, [&] { cn_.setSql(statement); });
    }
    void execute(const sql::Statement& statement) {
        check(statement.text(), [&] { cn_.setSql(statement); });
    }
    template <typename Set> void check(const QString& text, Set set) {
        set();
        if (cn_.Execute() == 0)
            throw RuntimeError(errDatabase, cn_.lastError().isEmpty() ? text : cn_.lastError());
    }
    double total(const sql::ArticleKey& key) {
        Recordset rs;
        cn_.setSql(sql::sumCancelled(key));
        if (!cn_.GetRecordset(rs))
            throw RuntimeError(errDatabase, cn_.lastError());
        return rs.Fields(QStringLiteral("TOTAL")).toDouble();
    }

private:
    clConexion cn_;
};

void fill(Writer& w, int* articleCount) {
    for (const auto& d : declarations()) {
        w.execute(sql::insertDeclaration(QString::fromUtf8(d.numero), QString::fromUtf8(d.intndc),
                                         QString::fromUtf8(d.intdsc), QString::fromUtf8(d.intfof)));
        for (const auto& a : d.articles) {
            const double fob = std::round(a.quantity * a.unitPrice * 100) / 100;
            w.execute(sql::insertArticle(
                {QString::fromUtf8(a.artnro), QString::fromUtf8(d.intndc), QString::number(a.artino),
                 QString::number(a.artsno), a.artncm ? QString::fromUtf8(a.artncm) : QString(), n2(a.quantity),
                 Regional::format(a.unitPrice, QStringLiteral("00.0000")), n2(fob), n2(a.quantity)}));
            if (!a.artncm)
                w.execute(QStringLiteral("update ARTICULOS set ARTNCM = NULL where INTNDC = '%1' "
                                         "and ARTINO = %2 and ARTSNO = %3")
                              .arg(QString::fromUtf8(d.intndc))
                              .arg(a.artino)
                              .arg(a.artsno));
            ++*articleCount;
        }
    }
    int line = 0;
    QString lastItem;
    for (const auto& c : cancellations()) {
        const QString item = QString::fromUtf8(c.extnro) + QString::number(c.extitm);
        line = item == lastItem ? line + 1 : 1;
        lastItem = item;
        const sql::ArticleKey key{QString::fromUtf8(c.intndc), c.artino, c.artsno};
        w.execute(sql::insertCancellation(
            {QString::number(line), key.intndc, QString::number(c.artino), QString::number(c.artsno),
             Regional::generalNumber(c.quantity), QString::fromUtf8(c.artexp), QString::fromUtf8(c.artcer),
             QString::fromUtf8(c.artven), c.artord ? QString::fromUtf8(c.artord) : QString(),
             QString::fromUtf8(c.extnro), QString::number(c.extitm), Regional::generalDate(c.registered)}));
        w.execute(sql::updateAvailable(key, n2(w.total(key))));
    }
}

} // namespace

int sampleCommand(const QString& path) {
    if (isServer(path) ? serverStockMissing(path) && serverInitCommand(path) != 0
                       : !QFileInfo::exists(path) && initCommand(path) != 0)
        return 1;
    // The sample's texts are written the way an Argentine workstation writes them.
    ScopedLocale locale(QLocale(QLocale::Spanish, QLocale::Argentina));
    int articles = 0;
    try {
        Writer w(path);
        fill(w, &articles);
    } catch (const RuntimeError& e) {
        err(QStringLiteral("quendarx-db: sample: %1").arg(server::hidePasswords(e.description, path)));
        return 1;
    }
    out(QStringLiteral("%1: %2 declarations, %3 articles, %4 cancellations")
            .arg(shownLocation(path))
            .arg(declarations().size())
            .arg(articles)
            .arg(cancellations().size()));
    out(QStringLiteral("  fully cancelled: 24001IC04000311K item 1 (ARTDSC 0); no tariff position: "
                       "24001IC04000123A item 3"));
    return 0;
}

} // namespace quendarx::tool
