// Every statement the library sends to a database, built with hostile texts in its values
// (quotes, backslashes, wildcards, control characters, SQL fragments, 10,000 characters),
// keeps its shape whatever text it carries.
#include "data/Statements.h"
#include "data/Schema.h"
#include "data/clConexion.h"
#include "support/TestSupport.h"
#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace quendarx;
using namespace quendarx::sql;

namespace {

const QString kHostile[] = {"O'Brien",
                            "''",
                            "'; drop table ARTICULOS; --",
                            "\\' or 1=1 --",
                            "C:\\temp\\x\\",
                            "100%_x%",
                            "%s%n%d%1%%",
                            "tab\there\nline\r\x01\x1b[0m\x7f",
                            "ÁÉÍÓÚ ñÑ üÜ ¿¡",
                            "😀👍🏽 envío 🇦🇷",
                            "\"x\" \"",
                            "x' || (select count(*) from OPERACIONES) || '",
                            "'; attach database '/tmp/x.db' as y; --",
                            "/* x",
                            QString(9999, 'z') + '\''};

// Every statement builder with each of its text values set to t.
std::vector<std::pair<const char*, Statement>> statementsCarrying(const QString& t) {
    const ArticleKey a{t, 3, 0};
    const ExportItem e{t, 1};
#define QX_STATEMENT(call)                                                                                             \
    { #call, call }
    return {QX_STATEMENT(deleteCancellation(a, e)), QX_STATEMENT(sumCancelled(a)),
            QX_STATEMENT(updateAvailable(a, "12,35")), QX_STATEMENT(cancellationsOfItem(e)),
            QX_STATEMENT(cancellationsWithArticles(e)), QX_STATEMENT(deleteDeclarationCancellations(t)),
            QX_STATEMENT(deleteDeclarationArticles(t)), QX_STATEMENT(deleteDeclaration(t)),
            QX_STATEMENT(articlesOfDeclaration(t)), QX_STATEMENT(article(a)), QX_STATEMENT(cancellationsOfArticle(a)),
            QX_STATEMENT(countCancellation(a, e)), QX_STATEMENT(maxLineOrder(e)), QX_STATEMENT(availableOfArticle(a)),
            QX_STATEMENT(cancellation(a, e)), QX_STATEMENT(updateCancellation(a, e, {"01,00", t, t, t, t, t})),
            QX_STATEMENT(countDeclaration(t)), QX_STATEMENT(listingOfDeclaration(t)),
            // Not read through an index: rows written, and the outside database's reads.
            QX_STATEMENT(insertCancellation({"1", t, "1", "0", "01,00", t, t, t, t, t, "1", t})),
            QX_STATEMENT(insertDeclaration(t, t, t, t)),
            QX_STATEMENT(insertArticle({t, t, "1", "0", t, "05,00", "01,0000", "05,00", "05,00"})),
            QX_STATEMENT(outsideItems(t)), QX_STATEMENT(outsideSubItems(t, "5"))};
#undef QX_STATEMENT
}
// A stock database with the outside database's two tables.
class Statements : public ::testing::Test {
protected:
    void SetUp() override {
        db.exec("create table item (id integer, interno text); create table groupsubitems (interno text, id "
                "integer, idsub integer, idarticulo text, ncm text, cantidad real, preciounitario real, fob real)");
        ASSERT_EQ(sqlite3_open_v2(db.path().toUtf8().constData(), &handle, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        registerEngineFunctions(handle);
    }
    void TearDown() override { sqlite3_close(handle); }

    // The opcodes of the program the statement compiles to; empty when the text is not
    // exactly one statement.
    QStringList explain(const QString& statement) {
        const QByteArray text = "EXPLAIN " + statement.toUtf8();
        sqlite3_stmt* st = nullptr;
        const char* tail = nullptr;
        if (sqlite3_prepare_v2(handle, text.constData(), static_cast<int>(text.size()), &st, &tail) != SQLITE_OK)
            return {};
        QStringList rows;
        while (sqlite3_step(st) == SQLITE_ROW)
            rows << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
        sqlite3_finalize(st);
        return QByteArray(tail).trimmed().isEmpty() ? rows : QStringList();
    }

    ScopedLocale locale{test::esAR()};
    test::ScratchDatabase db;
    sqlite3* handle = nullptr;
};

} // namespace

TEST_F(Statements, NoTextChangesTheShapeOfAStatement) {
    // Two statements of the same shape compile to the same program whatever their literals hold.
    const auto plain = statementsCarrying("plain");
    for (const QString& text : kHostile) {
        const auto hostile = statementsCarrying(text);
        for (std::size_t i = 0; i < plain.size(); ++i) {
            SCOPED_TRACE(std::string(plain[i].first) + " carrying " + text.left(40).toStdString());
            const QStringList expected = explain(plain[i].second.text);
            ASSERT_FALSE(expected.isEmpty());
            EXPECT_EQ(explain(hostile[i].second.text), expected);
            EXPECT_EQ(hostile[i].second.shape, plain[i].second.shape); // no value in the engine's form
        }
    }
    // A NUL ends the text form inside a literal; the engine's form carries it as a value,
    // so the library stores it whole.
    const QString nul = QStringLiteral("a") + QChar(u'\0') + 'b';
    for (const auto& [name, statement] : statementsCarrying(nul))
        EXPECT_TRUE(explain(statement.text).isEmpty()) << name;
    clConexion conexion;
    conexion.setConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + db.path());
    conexion.Connect();
    conexion.setSql(insertDeclaration(nul, nul, nul, nul));
    EXPECT_EQ(conexion.Execute(), 1);
    EXPECT_EQ(db.query("select length(cast(INTNDC as blob)) from OPERACIONES where hex(INTNDC) = '610062'"),
              QStringList{"3"});
}
