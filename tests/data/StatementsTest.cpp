// Every statement the library sends, compared with its exact text, and texts holding
// quotes travelling through a real database unchanged.
#include "data/Statements.h"
#include "DataTestUtil.h"
#include <gtest/gtest.h>

using namespace quendarx;
using namespace quendarx::sql;
using quendarx::test::ConnectedDatabase;

namespace {

const ArticleKey kArticle{QStringLiteral("24001IC04000123A"), 3, 2};
const ExportItem kItem{QStringLiteral("24001EC01000456T"), 7};

NewCancellation sampleCancellation(const QString& artord) {
    return {"4",         kArticle.intndc, "3",    "2",          "12,5", "EXP-2024-118",
            "CERT 0042", "30/06/2025",    artord, kItem.extnro, "7",    "15/03/2024 10:20:30"};
}

CancellationUpdate sampleUpdate(const QString& artord) {
    return {"12,50", "EXP-2024-118", "CERT 0042", "30/06/2025", artord, "15/03/2024 10:20:30"};
}

struct StatementCase {
    const char* name;
    Statement built;
    const char* expected;
};

} // namespace

TEST(Statements, EveryBuilderGivesTheExactText) {
    const StatementCase cases[] = {
        {"delete one cancellation", deleteCancellation(kArticle, kItem),
         "delete from CANCELACIONES where INTNDC = '24001IC04000123A'  and ARTINO = 3  and ARTSNO = 2"
         "  and EXTNRO = '24001EC01000456T'  and EXTITM = 7"},
        {"total cancelled", sumCancelled(kArticle),
         "select sum(ARTCDS) as TOTAL from CANCELACIONES where INTNDC = '24001IC04000123A' and "
         "ARTINO = 3 and ARTSNO = 2"},
        {"recompute available", updateAvailable(kArticle, QStringLiteral("12,35")),
         "update ARTICULOS set ARTDSC = cdbl(ARTCAN) - cdbl('12,35') where INTNDC = "
         "'24001IC04000123A' and ARTINO = 3 and ARTSNO = 2"},
        {"cancellations of an item", cancellationsOfItem(kItem),
         "select INTNDC, ARTINO, ARTSNO, ARTCDS, ARTEXP, ARTCER, ARTVEN, ARTORD from CANCELACIONES "
         " where EXTNRO = '24001EC01000456T' and EXTITM = 7 order by LINORD"},
        {"cancellations with articles", cancellationsWithArticles(kItem),
         " select cancelaciones.INTNDC as pINTNDC,ARTNCM,cancelaciones.ARTINO as pARTINO,"
         "cancelaciones.ARTSNO as pARTSNO,ARTCDS,ARTEXP,ARTCER,ARTORD  from cancelaciones, "
         "articulos where  cancelaciones.INTNDC = articulos.INTNDC And cancelaciones.ARTINO = "
         "articulos.ARTINO And cancelaciones.ARTSNO = articulos.ARTSNO  and EXTNRO = "
         "'24001EC01000456T'  and EXTITM = 7 order by EXTITM,cancelaciones.INTNDC,"
         "cancelaciones.ARTINO,cancelaciones.ARTSNO "},
        {"delete declaration cancellations", deleteDeclarationCancellations(kArticle.intndc),
         "delete from CANCELACIONES where INTNDC = '24001IC04000123A'"},
        {"delete declaration articles", deleteDeclarationArticles(kArticle.intndc),
         "delete from ARTICULOS where INTNDC = '24001IC04000123A'"},
        {"delete declaration", deleteDeclaration(kArticle.intndc),
         "delete from OPERACIONES where INTNDC = '24001IC04000123A'"},
        {"declarations by date", declarationsByDate(), "select * from OPERACIONES order by INTFOF"},
        {"articles of a declaration", articlesOfDeclaration(kArticle.intndc),
         "select ARTNRO,ARTINO,ARTSNO,ARTNCM,ARTCAN,ARTUNI,ARTFOB,ARTDSC from ARTICULOS where "
         "INTNDC = '24001IC04000123A' order by ARTINO,ARTSNO"},
        {"one article", article(kArticle),
         "select * from ARTICULOS where INTNDC= '24001IC04000123A'  and ARTINO = 3  and ARTSNO = 2 "},
        {"cancellations of an article", cancellationsOfArticle(kArticle),
         "select EXTNRO, EXTITM, ARTCDS, EXTFDC from CANCELACIONES  where INTNDC = "
         "'24001IC04000123A' and ARTINO = 3 and ARTSNO = 2"},
        {"count a cancellation", countCancellation(kArticle, kItem),
         "select count(LINORD) as Cantidad from CANCELACIONES  where INTNDC = '24001IC04000123A' "
         "and ARTINO = 3 and ARTSNO = 2 and EXTNRO = '24001EC01000456T' and EXTITM = 7"},
        {"greatest line order", maxLineOrder(kItem),
         "select max(LINORD) as mayor from CANCELACIONES where EXTNRO = '24001EC01000456T'and "
         "EXTITM = 7"},
        {"insert a cancellation with an order number", insertCancellation(sampleCancellation(QStringLiteral("12"))),
         "insert into CANCELACIONES(LINORD,INTNDC,ARTINO,ARTSNO,ARTCDS,ARTEXP,ARTCER,ARTVEN,ARTORD,"
         "EXTNRO,EXTITM,EXTFDC) values ('4','24001IC04000123A','3','2','12,5','EXP-2024-118',"
         "'CERT 0042','30/06/2025','12','24001EC01000456T','7','15/03/2024 10:20:30')"},
        {"insert a cancellation without an order number", insertCancellation(sampleCancellation({})),
         "insert into CANCELACIONES(LINORD,INTNDC,ARTINO,ARTSNO,ARTCDS,ARTEXP,ARTCER,ARTVEN,ARTORD,"
         "EXTNRO,EXTITM,EXTFDC) values ('4','24001IC04000123A','3','2','12,5','EXP-2024-118',"
         "'CERT 0042','30/06/2025',NULL,'24001EC01000456T','7','15/03/2024 10:20:30')"},
        {"available of an article", availableOfArticle(kArticle),
         "select ARTDSC from ARTICULOS where INTNDC = '24001IC04000123A'   and ARTINO = 3  and "
         "ARTSNO = 2"},
        {"one cancellation", cancellation(kArticle, kItem),
         "select * from cancelaciones where EXTNRO = '24001EC01000456T'   and EXTITM = 7  and "
         "INTNDC = '24001IC04000123A'   and ARTINO = 3  and ARTSNO = 2"},
        {"rewrite a cancellation", updateCancellation(kArticle, kItem, sampleUpdate(QStringLiteral("A12"))),
         "update CANCELACIONES set ARTCDS = cdbl('12,50'),ARTEXP = 'EXP-2024-118',ARTCER = "
         "'CERT 0042',ARTVEN = '30/06/2025',ARTORD = 'A12',EXTFDC = '15/03/2024 10:20:30' where "
         "EXTNRO = '24001EC01000456T'  and EXTITM = 7  and INTNDC = '24001IC04000123A'  and "
         "ARTINO = 3  and ARTSNO = 2"},
        {"rewrite a cancellation without an order number", updateCancellation(kArticle, kItem, sampleUpdate({})),
         "update CANCELACIONES set ARTCDS = cdbl('12,50'),ARTEXP = 'EXP-2024-118',ARTCER = "
         "'CERT 0042',ARTVEN = '30/06/2025',ARTORD = NULL,EXTFDC = '15/03/2024 10:20:30' where "
         "EXTNRO = '24001EC01000456T'  and EXTITM = 7  and INTNDC = '24001IC04000123A'  and "
         "ARTINO = 3  and ARTSNO = 2"},
        {"count declarations", countDeclaration(kArticle.intndc),
         "select count(INTNDC) as Cant from OPERACIONES where INTNDC = '24001IC04000123A'"},
        {"insert a declaration", insertDeclaration("1024", kArticle.intndc, "Repuestos textiles", "15/03/2024"),
         "insert into OPERACIONES (NUMERO, INTNDC, INTDSC, INTFOF) values ('1024',"
         "'24001IC04000123A','Repuestos textiles','15/03/2024')"},
        {"insert an article",
         insertArticle({"RT-4410", kArticle.intndc, "3", "2", "8448.59.90", "05,00", "01,5000", "07,50", "05,00"}),
         "insert into ARTICULOS (ARTNRO,INTNDC,ARTINO,ARTSNO,ARTNCM,ARTCAN,ARTUNI,ARTFOB,ARTDSC) "
         "values ('RT-4410','24001IC04000123A',3,2,'8448.59.90','05,00','01,5000','07,50','05,00')"},
        {"listing of an export declaration", listingOfDeclaration(kItem.extnro),
         "select EXTITM,cancelaciones.INTNDC as pINTNDC,ARTNCM,cancelaciones.ARTINO as pARTINO,"
         "cancelaciones.ARTSNO as pARTSNO,ARTCDS,ARTEXP,ARTCER,ARTORD from cancelaciones, "
         "articulos where cancelaciones.INTNDC = articulos.INTNDC And cancelaciones.ARTINO = "
         "articulos.ARTINO And cancelaciones.ARTSNO = articulos.ARTSNO and EXTNRO = "
         "'24001EC01000456T' order by EXTITM,cancelaciones.INTNDC,cancelaciones.ARTINO,"
         "cancelaciones.ARTSNO"},
        {"outside items", outsideItems(QStringLiteral("1024")),
         "select id from item where interno = '1024' and id<>0 order by id"},
        {"outside sub-items", outsideSubItems(QStringLiteral("1024"), QStringLiteral("5")),
         "select idarticulo, id, ncm, cantidad, preciounitario, fob from groupsubitems where "
         "interno = '1024' and id = 5 order by idsub"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.built.text.toStdString(), std::string(c.expected)) << c.name;
}

// Texts with quotes go in and come back unchanged, and change no statement's shape: a
// hostile code neither matches nor deletes other rows.
TEST(Statements, QuotedTextsTravelThroughTheDatabaseUnchanged) {
    EXPECT_EQ(quoted(QStringLiteral("O'Brien''")), QStringLiteral("O''Brien''''"));
    quendarx::ScopedLocale locale(quendarx::test::esAR());
    const QString hostile = QStringLiteral("'; drop table ARTICULOS; --");
    const QString irish = QStringLiteral("O'Brien");
    ConnectedDatabase t;
    t.db.exec(QStringLiteral("insert into OPERACIONES values ('2', 'B', 'other', '2024-01-02')"));
    ASSERT_EQ(t.execute(insertDeclaration(irish, hostile, "it's", "15/03/2024")), 1);
    ASSERT_EQ(t.execute(insertArticle({irish, hostile, "1", "0", "8448.59'90", "05,00", "01,5000", "07,50", "05,00"})),
              1);
    const ArticleKey key{hostile, 1, 0};
    const ExportItem item{irish, 2};
    ASSERT_EQ(t.execute(insertCancellation(
                  {"1", hostile, "1", "0", "01,00", irish, hostile, "it's", {}, irish, "2", "15/03/2024 10:20:30"})),
              1);
    const auto row = [&](const Statement& statement, const char* columns) {
        Recordset rs;
        EXPECT_TRUE(t.recordset(statement, rs));
        QStringList values;
        for (const QString& column : QString::fromLatin1(columns).split(QLatin1Char(',')))
            values << rs.Fields(column).toString();
        return values.join(QLatin1Char('|'));
    };
    EXPECT_EQ(row(countDeclaration(hostile), "Cant"), "1");
    EXPECT_EQ(row(article(key), "ARTNRO,ARTNCM"), "O'Brien|8448.59'90");
    EXPECT_EQ(row(cancellation(key, item), "ARTEXP,ARTCER,ARTVEN"), irish + "|" + hostile + "|it's");
    ASSERT_EQ(t.execute(updateCancellation(key, item, {"02,00", hostile, irish, "x'y", irish, "16/03/2024 08:00:00"})),
              1);
    EXPECT_EQ(row(cancellationsOfItem(item), "ARTEXP,ARTORD,ARTCDS"), hostile + "|" + irish + "|2");

    EXPECT_EQ(t.execute(deleteDeclaration(QStringLiteral("x' or '1'='1"))), 0);
    EXPECT_EQ(t.execute(deleteCancellation(key, item)), 1);
    EXPECT_EQ(t.execute(deleteDeclarationArticles(hostile)), 1);
    EXPECT_EQ(t.execute(deleteDeclaration(hostile)), 1);
    EXPECT_EQ(t.db.query(QStringLiteral("select count(*) from sqlite_master where type = 'table'")),
              QStringList{"5"}); // the three stock tables and the two of its history
    EXPECT_EQ(t.db.query(QStringLiteral("select INTNDC from OPERACIONES")), QStringList{"B"});
}

// The stored date texts are written by hand for speed: they must read exactly as Qt's
// formatter writes them, padding included, and fall back to it where the hand-made form
// cannot hold the year.
TEST(Statements, StoredDateTextsMatchTheGeneralFormatter) {
    const QDateTime cases[] = {
        QDateTime(QDate(2024, 3, 7), QTime(9, 5, 4)), QDateTime(QDate(987, 6, 5), QTime(4, 3, 2)),
        QDateTime(QDate(2000, 2, 29), QTime(23, 59, 59)), QDateTime(QDate(12345, 1, 1), QTime(1, 2, 3)), QDateTime()};
    for (const QDateTime& when : cases) {
        SCOPED_TRACE(when.toString(Qt::ISODate).toStdString());
        EXPECT_EQ(isoText(when, true), when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        EXPECT_EQ(isoText(when, false), when.toString(QStringLiteral("yyyy-MM-dd")));
    }
}
