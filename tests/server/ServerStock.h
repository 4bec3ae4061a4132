#pragma once
// A fresh stock database on the PostgreSQL server the libpq variables name (PGHOST,
// PGPORT, PGUSER, PGPASSWORD): under ctest, the run's throwaway server (server.start).
// Tests using it are skipped without a server.
#include "support/TestSupport.h"
#include <gtest/gtest.h>

namespace quendarx::test {

// The URI of a database of the server (with the password).
QString serverUri(const QString& database);

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
