#include "ServerStock.h"
#include "data/ServerEngine.h"
#include <QCoreApplication>
#include <QUrl>
#include <libpq-fe.h>

namespace quendarx::test {

namespace {

QStringList run(const QString& uri, const QString& sql, QString* error) {
    QStringList rows;
    PGconn* conn = PQconnectdb(uri.toUtf8().constData());
    PGresult* r = PQstatus(conn) == CONNECTION_OK ? PQexec(conn, sql.toUtf8().constData()) : nullptr;
    if (PQresultStatus(r) != PGRES_COMMAND_OK && PQresultStatus(r) != PGRES_TUPLES_OK)
        *error = QString::fromUtf8(r ? PQresultErrorMessage(r) : PQerrorMessage(conn));
    for (int row = 0; row < PQntuples(r); ++row) {
        QStringList cells;
        for (int i = 0; i < PQnfields(r); ++i)
            cells << (PQgetisnull(r, row, i) ? QStringLiteral("NULL") : QString::fromUtf8(PQgetvalue(r, row, i)));
        rows << cells.join(QLatin1Char('|'));
    }
    PQclear(r);
    PQfinish(conn);
    return rows;
}

} // namespace

QString serverUri(const QString& database) {
    QUrl url;
    url.setScheme(QStringLiteral("postgresql"));
    url.setHost(qEnvironmentVariable("PGHOST"));
    url.setPort(qEnvironmentVariableIntValue("PGPORT"));
    url.setUserName(qEnvironmentVariable("PGUSER"));
    url.setPassword(qEnvironmentVariable("PGPASSWORD"));
    url.setPath(QLatin1Char('/') + database);
    return url.toString();
}

void ServerStock::SetUp() {
    resetLibraryState();
    if (!qEnvironmentVariableIsSet("PGHOST") || !qEnvironmentVariableIsSet("PGPORT"))
        GTEST_SKIP() << "no PostgreSQL server named (PGHOST, PGPORT): run it with ctest, which starts one";
    static int counter = 0;
    const QString name = QStringLiteral("qx_test_%1_%2").arg(QCoreApplication::applicationPid()).arg(++counter);
    QString error;
    run(serverUri(QStringLiteral("postgres")), QStringLiteral("create database ") + name, &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    uri_ = serverUri(name);
    run(uri_, serverSchemaSql(), &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
}

QStringList ServerStock::query(const QString& sql) const {
    QString error;
    const QStringList rows = run(uri_, sql, &error);
    EXPECT_TRUE(error.isEmpty()) << sql.toStdString() << ": " << error.toStdString();
    return rows;
}

} // namespace quendarx::test
