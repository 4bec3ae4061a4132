// The data-access component: it opens only real stock databases and never creates a
// file; its failures give False / 0 and reach the log.
#include "DataTestUtil.h"
#include "data/Statements.h"
#include "platform/RuntimeError.h"
#include <QDir>
#include <gtest/gtest.h>

using namespace quendarx;
using namespace quendarx::test;

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QStringList entries(const QString& dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

} // namespace

TEST(clConexion, ConnectOpensOnlyStockDatabasesAndCreatesNoFile) {
    ScratchDatabase stock;
    stock.exec(QStringLiteral("insert into OPERACIONES values ('1', 'D1', 'x', '2024-01-01')"));
    const QString folder = stock.dir() + QStringLiteral("/f");
    QDir().mkpath(folder + QStringLiteral("/a-folder"));
    writeFile(folder + QStringLiteral("/notes.mdb"), QByteArray(4096, 'x'));
    QFile source(stock.path());
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    writeFile(folder + QStringLiteral("/truncated.db"), source.read(8192));
    writeFile(folder + QStringLiteral("/other.db"), {}); // an empty file is an empty database
    execFile(folder + QStringLiteral("/other.db"), QStringLiteral("create table clientes (id integer)"));
    const QStringList before = entries(folder);

    struct Case {
        const char* name;
        QString connectionString;
        QString reason; // part of the error; null when the database opens
    };
    const QString in = folder + QLatin1Char('/');
    const Case cases[] = {
        {"keys read tolerantly",
         QStringLiteral(" provider = MICROSOFT.JET.OLEDB.4.0 ; data  source = ") + stock.path() + " ;", {}},
        {"missing file", jetConnectionString(in + "missing.mdb"), ""},
        {"missing folder", jetConnectionString(in + "none/stock.mdb"), ""},
        {"a folder", jetConnectionString(in + "a-folder"), ""},
        {"a text file", jetConnectionString(in + "notes.mdb"), "file is not a database"},
        {"a truncated database", jetConnectionString(in + "truncated.db"), ""},
        {"a database without the tables", jetConnectionString(in + "other.db"), ""},
        {"no data source", QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source="), ""},
        {"empty connection string", QString(), ""},
        {"unknown ODBC driver", QStringLiteral("Driver=NoSuchDriver;Database=") + in + "x.db", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        clConexion cn;
        cn.setConnectionString(c.connectionString);
        try {
            cn.Connect();
            EXPECT_TRUE(c.reason.isNull()) << "Connect succeeded";
        } catch (const RuntimeError& e) {
            EXPECT_FALSE(c.reason.isNull()) << e.what();
            EXPECT_EQ(e.number, errDatabase);
            EXPECT_FALSE(e.description.isEmpty());
            EXPECT_TRUE(e.description.contains(c.reason)) << e.what();
            EXPECT_EQ(cn.lastError(), e.description);
        }
        EXPECT_EQ(cn.Connected(), c.reason.isNull());
    }
    EXPECT_EQ(entries(folder), before);
}

TEST(clConexion, FailuresGiveFalseOrZeroAndReachTheLog) {
    CapturedLog log;
    Recordset rs;
    clConexion idle;
    idle.setSql(QStringLiteral("select 1"));
    EXPECT_FALSE(idle.GetRecordset(rs));
    EXPECT_EQ(idle.Execute(), 0);

    ConnectedDatabase t;
    t.db.exec(QStringLiteral("insert into OPERACIONES values ('1', 'D1', 'x', '2024-01-01')"));
    EXPECT_FALSE(t.recordset(QStringLiteral("select * from NOEXISTE"), rs));
    EXPECT_FALSE(rs.isOpen());
    EXPECT_TRUE(t.cn.lastError().contains(QStringLiteral("no such table")));
    EXPECT_EQ(t.execute(QStringLiteral("update NOEXISTE set x = 1")), 0);
    // A second statement after the first is refused, not run.
    EXPECT_EQ(t.execute(QStringLiteral("delete from ARTICULOS; delete from OPERACIONES")), 0);
    EXPECT_EQ(t.db.query(QStringLiteral("select count(*) from OPERACIONES")), QStringList{"1"});
    // A failed reconnect leaves the instance closed.
    t.cn.setConnectionString(jetConnectionString(t.db.dir() + QStringLiteral("/missing.mdb")));
    EXPECT_THROW(t.cn.Connect(), RuntimeError);
    EXPECT_EQ(t.execute(sql::deleteDeclaration(QStringLiteral("D1"))), 0);
    EXPECT_EQ(t.db.query(QStringLiteral("select count(*) from OPERACIONES")), QStringList{"1"});

    const QString logged = log.text();
    for (const char* part : {"not connected", "no such table: NOEXISTE", "select * from NOEXISTE",
                             "update NOEXISTE set x = 1", "delete from ARTICULOS; delete from OPERACIONES"})
        EXPECT_TRUE(logged.contains(QLatin1String(part))) << part;
}

TEST(clConexion, OutsideValuesArriveWholeWithTheirTypes) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("outside.db"));
    // A text longer than any read buffer, with characters outside the 16-bit plane cut
    // across buffer boundaries.
    QString longText;
    for (int i = 0; i < 3000; ++i)
        longText += QStringLiteral("ñ😀'%_\\");
    const QByteArray sql =
        "create table t (n integer, big integer, x real, d date, ts datetime, s text, b blob);"
        "insert into t values (7, 4294967296, 1.25, '2026-12-05', '2026-12-05 09:15:30', '" +
        QString(longText).replace(QLatin1String("'"), QLatin1String("''")).toUtf8() +
        "', x'00ff10');"
        "insert into t values (null, null, null, null, null, null, null);";
    writeFile(path, {});
    execFile(path, QString::fromUtf8(sql));

    clConexion cn;
    cn.setConnectionString(QStringLiteral("Driver=SQLite3;Database=") + path);
    cn.Connect();
    ASSERT_TRUE(cn.Connected()) << qPrintable(cn.lastError());
    Recordset rs;
    cn.setSql(QStringLiteral("select n, big, x, d, ts, s, b from t order by n desc"));
    ASSERT_TRUE(cn.GetRecordset(rs)) << qPrintable(cn.lastError());
    ASSERT_EQ(rs.RecordCount(), 2);
    EXPECT_EQ(rs.Fields(QStringLiteral("n")), QVariant(qlonglong(7)));
    EXPECT_EQ(rs.Fields(QStringLiteral("big")), QVariant(qlonglong(4294967296)));
    EXPECT_EQ(rs.Fields(QStringLiteral("x")), QVariant(1.25));
    EXPECT_EQ(rs.Fields(QStringLiteral("d")), QVariant(QDateTime(QDate(2026, 12, 5), QTime(0, 0))));
    EXPECT_EQ(rs.Fields(QStringLiteral("ts")),
              QVariant(QDateTime(QDate(2026, 12, 5), QTime(9, 15, 30))));
    EXPECT_EQ(rs.Fields(QStringLiteral("s")).toString(), longText);
    EXPECT_EQ(rs.Fields(QStringLiteral("b")).toByteArray(), QByteArray("\x00\xff\x10", 3));
    rs.MoveNext();
    for (const char* column : {"n", "big", "x", "d", "ts", "s", "b"})
        EXPECT_TRUE(rs.Fields(QLatin1String(column)).isNull()) << column;
}
