// Which names would write over the stock: the listing's "Archivo" refuses them. (The stock's
// own name and its journal files by relative paths: the host script other-tools-stock.)
#include "data/StockFiles.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace quendarx;

TEST(StockFiles, TheStockAndItsCompanionsUnderAnyNameAreRecognised) {
    QTemporaryDir dir;
    const QString d = dir.path();
    const QString stock = d + QStringLiteral("/stock.db");
    for (const char* name : {"stock.db", "stock.db-wal", "stock.db-shm", "other.pdf"}) {
        QFile file(d + QLatin1Char('/') + QLatin1String(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(QDir(d).mkdir(QStringLiteral("sub")));
    ASSERT_TRUE(QFile::link(d, d + QStringLiteral("/sub/up")));                // a folder link
    ASSERT_TRUE(QFile::link(stock, d + QStringLiteral("/sub/stock-link.db"))); // a file link
    ASSERT_EQ(::link(qPrintable(stock), qPrintable(d + QStringLiteral("/hard.db"))), 0);

    // The journal is not there yet: refused by its name. "STOCK.DB" is another file here.
    const std::pair<const char*, bool> cases[] = {
        {"stock.db-journal", true},  {"sub/up/stock.db", true}, {"sub/up/stock.db-shm", true},
        {"sub/stock-link.db", true}, {"hard.db", true},         {"other.pdf", false},
        {"stock.db.pdf", false},     {"STOCK.DB", false},       {"sub/stock.db", false},
        {"stock.db-wal2", false}};
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(d);
    for (const auto& [candidate, refused] : cases) {
        EXPECT_EQ(isStockFileOrCompanion(QString::fromLatin1(candidate), stock), refused) << candidate;
        EXPECT_EQ(isStockFileOrCompanion(d + QLatin1Char('/') + QLatin1String(candidate), QStringLiteral("stock.db")),
                  refused)
            << candidate << " (absolute, stock relative)";
    }
    QDir::setCurrent(cwd);
    EXPECT_FALSE(isStockFileOrCompanion(QString(), stock));
    EXPECT_FALSE(isStockFileOrCompanion(stock, QString()));
}
