// The data-access component: opening only real stock databases, never creating a file,
// failures that give False / 0 and reach the log, and the values a record set holds.
#include "DataTestUtil.h"
#include "data/Statements.h"
#include "platform/RuntimeError.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <thread>

using namespace quendarx;
using quendarx::test::CapturedLog;
using quendarx::test::ConnectedDatabase;
using quendarx::test::jetConnectionString;
using quendarx::test::ScratchDatabase;

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A plain SQLite file made without the library.
void makeSqliteFile(const QString& path, const char* script) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, script, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

QStringList entries(const QString& dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

} // namespace

TEST(clConexion, ConnectRefusesWhatIsNoStockDatabaseAndCreatesNoFile) {
    QTemporaryDir dir;
    const QString folder = dir.path();
    QDir(folder).mkdir(QStringLiteral("a-folder"));
    writeFile(folder + QStringLiteral("/notes.mdb"), "These are not the tables you are looking for.\n");
    makeSqliteFile(folder + QStringLiteral("/other.db"), "create table clientes (id integer, nombre text);");
    {
        ScratchDatabase full;
        full.exec(QStringLiteral("insert into OPERACIONES values ('1', 'D1', 'x', '2024-01-01')"));
        QFile source(full.path());
        ASSERT_TRUE(source.open(QIODevice::ReadOnly));
        ASSERT_GT(source.size(), 8192);
        writeFile(folder + QStringLiteral("/truncated.db"), source.read(8192));
    }
    const QStringList before = entries(folder);

    struct Case {
        const char* name;
        QString connectionString;
    };
    const Case cases[] = {
        {"missing file", jetConnectionString(folder + QStringLiteral("/missing.mdb"))},
        {"missing folder", jetConnectionString(folder + QStringLiteral("/none/stock.mdb"))},
        {"a folder", jetConnectionString(folder + QStringLiteral("/a-folder"))},
        {"a text file", jetConnectionString(folder + QStringLiteral("/notes.mdb"))},
        {"a truncated database", jetConnectionString(folder + QStringLiteral("/truncated.db"))},
        {"a database without the tables", jetConnectionString(folder + QStringLiteral("/other.db"))},
        {"no data source", QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=")},
        {"empty connection string", QString()},
        {"unknown ODBC driver", QStringLiteral("Driver=NoSuchDriver;Database=") + folder + QStringLiteral("/x.db")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        clConexion cn;
        cn.setConnectionString(c.connectionString);
        try {
            cn.Connect();
            ADD_FAILURE() << "Connect succeeded";
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.number, errDatabase);
            EXPECT_FALSE(e.description.isEmpty());
            EXPECT_EQ(cn.lastError(), e.description);
        }
        EXPECT_FALSE(cn.Connected());
    }
    EXPECT_EQ(entries(folder), before);
}

TEST(clConexion, ConnectGivesTheEngineReason) {
    QTemporaryDir dir;
    const QString text = dir.filePath(QStringLiteral("notes.mdb"));
    writeFile(text, QByteArray(4096, 'x'));
    clConexion cn;
    cn.setConnectionString(jetConnectionString(text));
    try {
        cn.Connect();
        FAIL();
    } catch (const RuntimeError& e) {
        EXPECT_TRUE(e.description.contains(QStringLiteral("file is not a database"))) << e.what();
    }
}

TEST(clConexion, AFailedReconnectLeavesTheInstanceClosed) {
    ConnectedDatabase t;
    ASSERT_TRUE(t.cn.Connected());
    t.cn.setConnectionString(jetConnectionString(t.db.dir() + QStringLiteral("/missing.mdb")));
    EXPECT_THROW(t.cn.Connect(), RuntimeError);
    EXPECT_FALSE(t.cn.Connected());
    CapturedLog log;
    EXPECT_EQ(t.execute(sql::deleteDeclaration(QStringLiteral("D1"))), 0);
}

TEST(clConexion, ConnectionStringKeysAreReadTolerantly) {
    ScratchDatabase db;
    clConexion cn;
    cn.setConnectionString(QStringLiteral(" provider = MICROSOFT.JET.OLEDB.4.0 ; data  source = ") + db.path() +
                           QStringLiteral(" ;"));
    cn.Connect();
    EXPECT_TRUE(cn.Connected());
    cn.Connect(); // connecting again is allowed
    EXPECT_TRUE(cn.Connected());
}

TEST(clConexion, FailuresGiveFalseOrZeroAndReachTheLog) {
    ConnectedDatabase t;
    CapturedLog log;
    Recordset rs;
    EXPECT_FALSE(t.recordset(QStringLiteral("select * from NOEXISTE"), rs));
    EXPECT_FALSE(rs.isOpen());
    EXPECT_TRUE(t.cn.lastError().contains(QStringLiteral("no such table")));
    EXPECT_EQ(t.execute(QStringLiteral("update NOEXISTE set x = 1")), 0);
    // A second statement after the first is refused, not run.
    t.db.exec(QStringLiteral("insert into OPERACIONES values ('1', 'D1', 'x', '2024-01-01')"));
    EXPECT_EQ(t.execute(QStringLiteral("delete from ARTICULOS; delete from OPERACIONES")), 0);
    EXPECT_EQ(t.db.query(QStringLiteral("select count(*) from OPERACIONES")), QStringList{QStringLiteral("1")});

    const QString logged = log.text();
    EXPECT_TRUE(logged.contains(QStringLiteral("no such table: NOEXISTE")));
    EXPECT_TRUE(logged.contains(QStringLiteral("select * from NOEXISTE")));
    EXPECT_TRUE(logged.contains(QStringLiteral("update NOEXISTE set x = 1")));
    EXPECT_TRUE(logged.contains(QStringLiteral("delete from ARTICULOS; delete from OPERACIONES")));
}

TEST(clConexion, BeforeConnectNothingRunsAndTheLogSaysSo) {
    CapturedLog log;
    clConexion cn;
    cn.setSql(QStringLiteral("select 1"));
    Recordset rs;
    EXPECT_FALSE(cn.Connected());
    EXPECT_FALSE(cn.GetRecordset(rs));
    EXPECT_EQ(cn.Execute(), 0);
    EXPECT_TRUE(log.text().contains(QStringLiteral("not connected")));
}

TEST(clConexion, ExecuteCountsTheRowsChanged) {
    ConnectedDatabase t;
    t.db.exec(QStringLiteral("insert into OPERACIONES values ('1', 'D1', 'x', '2024-01-01');"
                             "insert into ARTICULOS values ('A', 'D1', 1, 0, null, 5, 1, 5, 5);"
                             "insert into ARTICULOS values ('B', 'D1', 2, 0, null, 5, 1, 5, 5);"
                             "insert into ARTICULOS values ('C', 'D1', 3, 0, null, 5, 1, 5, 5)"));
    EXPECT_EQ(t.execute(QStringLiteral("update ARTICULOS set ARTDSC = 4 where ARTINO > 1")), 2);
    EXPECT_EQ(t.execute(QStringLiteral("update ARTICULOS set ARTDSC = 4 where ARTINO > 9")), 0);
    EXPECT_EQ(t.execute(sql::deleteDeclarationArticles(QStringLiteral("D1"))), 3);
}

TEST(clConexion, RecordSetsHoldEveryRowWithTypedValues) {
    ConnectedDatabase t;
    t.db.exec(QStringLiteral("insert into OPERACIONES values ('1', 'D1', 'x', '2024-03-15')"));
    for (int i = 1; i <= 25; ++i)
        t.db.exec(QStringLiteral("insert into ARTICULOS values ('A%1', 'D1', %1, 0, null, 2.5, 1, 2.5, 2.5)").arg(i));
    t.db.exec(QStringLiteral("insert into CANCELACIONES (LINORD, INTNDC, ARTINO, ARTSNO, ARTCDS, "
                             "EXTNRO, EXTITM, EXTFDC) values (1, 'D1', 1, 0, 1, 'E1', 1, "
                             "'2024-03-16 10:20:30')"));
    Recordset rs;
    ASSERT_TRUE(t.recordset(sql::articlesOfDeclaration(QStringLiteral("D1")), rs));
    EXPECT_EQ(rs.RecordCount(), 25);
    EXPECT_EQ(rs.Fields(QStringLiteral("artnro")).toString(), QStringLiteral("A1"));
    EXPECT_EQ(rs.Fields(QStringLiteral("ARTINO")).typeId(), QMetaType::LongLong);
    EXPECT_EQ(rs.Fields(QStringLiteral("ARTCAN")).typeId(), QMetaType::Double);
    EXPECT_FALSE(rs.Fields(QStringLiteral("ARTNCM")).isValid());
    EXPECT_THROW(rs.Fields(QStringLiteral("NOEXISTE")), RuntimeError);
    int seen = 0;
    for (; !rs.EOF_(); rs.MoveNext())
        ++seen;
    EXPECT_EQ(seen, 25);
    EXPECT_THROW(rs.Fields(QStringLiteral("ARTNRO")), RuntimeError);

    ASSERT_TRUE(t.recordset(sql::declarationsByDate(), rs));
    EXPECT_EQ(rs.Fields(QStringLiteral("INTFOF")).toDateTime(), QDateTime(QDate(2024, 3, 15), QTime(0, 0)));
    ASSERT_TRUE(t.recordset(sql::cancellationsOfArticle({QStringLiteral("D1"), 1, 0}), rs));
    EXPECT_EQ(rs.Fields(QStringLiteral("EXTFDC")).typeId(), QMetaType::QDateTime);
    EXPECT_EQ(rs.Fields(QStringLiteral("EXTFDC")).toDateTime(),
              QDateTime(QDate(2024, 3, 16), QTime(10, 20, 30)));
}

TEST(clConexion, AQueryWithoutRowsGivesFalseButAnAggregateGivesItsRow) {
    ConnectedDatabase t;
    CapturedLog log;
    Recordset rs;
    EXPECT_FALSE(t.recordset(sql::articlesOfDeclaration(QStringLiteral("NADA")), rs));
    EXPECT_FALSE(rs.isOpen());
    EXPECT_TRUE(t.cn.lastError().isEmpty());
    ASSERT_TRUE(t.recordset(sql::maxLineOrder({QStringLiteral("E1"), 1}), rs));
    EXPECT_EQ(rs.RecordCount(), 1);
    EXPECT_FALSE(rs.Fields(QStringLiteral("MAYOR")).isValid());
    EXPECT_TRUE(log.text().isEmpty());
}

// Two programs on one file: the second waits for the first's write instead of failing.
TEST(clConexion, ASecondConnectionWaitsForALockedDatabase) {
    ConnectedDatabase t;
    ASSERT_EQ(t.execute(QStringLiteral("begin immediate")), 0);
    ASSERT_EQ(t.execute(sql::insertDeclaration(QStringLiteral("1"), QStringLiteral("D1"),
                                               QStringLiteral("x"), QStringLiteral("2024-03-15"))),
              1);
    int inserted = -1;
    std::thread other([&] {
        clConexion cn;
        cn.setConnectionString(jetConnectionString(t.db.path()));
        cn.Connect();
        cn.setSql(sql::insertDeclaration(QStringLiteral("2"), QStringLiteral("D2"), QStringLiteral("y"),
                                         QStringLiteral("2024-03-16")));
        inserted = cn.Execute();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(t.execute(QStringLiteral("commit")), 0);
    other.join();
    EXPECT_EQ(inserted, 1);
    EXPECT_EQ(t.db.query(QStringLiteral("select count(*) from OPERACIONES")), QStringList{QStringLiteral("2")});
}

TEST(clConexion, AnOdbcConnectionStringReadsAnOutsideDatabase) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("brevik.db"));
    makeSqliteFile(path,
                   "create table item (id integer, interno text);"
                   "create table groupsubitems (interno text, id integer, idsub integer, idarticulo text,"
                   " ncm text, cantidad real, preciounitario real, fob real);"
                   "insert into item values (0, '1024'), (2, '1024'), (1, '1024'), (1, '9999');"
                   "insert into groupsubitems values ('1024', 1, 2, 'B-2', '8483.40.10', 4, 2.5, 10),"
                   " ('1024', 1, 1, 'A-1', '8448.59.90', 3, 1.25, 3.75);");
    clConexion cn;
    cn.setConnectionString(QStringLiteral("Driver=SQLite3;Database=") + path);
    cn.Connect();
    ASSERT_TRUE(cn.Connected());
    Recordset rs;
    cn.setSql(sql::outsideItems(QStringLiteral("1024")));
    ASSERT_TRUE(cn.GetRecordset(rs));
    EXPECT_EQ(rs.RecordCount(), 2);
    EXPECT_EQ(rs.Fields(QStringLiteral("id")).toInt(), 1);

    cn.setSql(sql::outsideSubItems(QStringLiteral("1024"), QStringLiteral("1")));
    ASSERT_TRUE(cn.GetRecordset(rs));
    ASSERT_EQ(rs.RecordCount(), 2);
    EXPECT_EQ(rs.Fields(QStringLiteral("idarticulo")).toString(), QStringLiteral("A-1"));
    EXPECT_EQ(rs.Fields(QStringLiteral("ncm")).toString(), QStringLiteral("8448.59.90"));
    EXPECT_DOUBLE_EQ(rs.Fields(QStringLiteral("preciounitario")).toDouble(), 1.25);
    rs.MoveNext();
    EXPECT_EQ(rs.Fields(QStringLiteral("idarticulo")).toString(), QStringLiteral("B-2"));

    CapturedLog log;
    cn.setSql(QStringLiteral("select * from noexiste"));
    EXPECT_FALSE(cn.GetRecordset(rs));
    EXPECT_FALSE(log.text().isEmpty());
}
