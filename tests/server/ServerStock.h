#pragma once
// A fresh stock database on the PostgreSQL server the libpq variables name (PGHOST,
// PGPORT, PGUSER, PGPASSWORD, as pg_virtualenv sets them). Tests using it are skipped
// without a server; the test server.run starts a throwaway one and runs them in it.
#include "support/TestSupport.h"
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

namespace quendarx::test {

// Whether a server is named, and the URI of one of its databases (with the password).
bool serverNamed();
QString serverUri(const QString& database, const QString& password = QString());

class ServerStock : public ::testing::Test {
protected:
    void SetUp() override;
    const QString& uri() const { return uri_; }
    // Rows of a query as "a|b|..." (NULL for a null); fails the test on an error.
    QStringList query(const QString& sql) const;
    void exec(const QString& sql) const { query(sql); }

private:
    QString uri_;
};

} // namespace quendarx::test
