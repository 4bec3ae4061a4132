// Every statement the library sends, compared with its exact text, and texts holding
// quotes travelling through a real database unchanged.
#include "DataTestUtil.h"
#include "data/Statements.h"
#include <gtest/gtest.h>

using namespace quendarx;
using namespace quendarx::sql;
using quendarx::test::ConnectedDatabase;

namespace {

const ArticleKey kArticle{QStringLiteral("24001IC04000123A"), 3, 2};
const ExportItem kItem{QStringLiteral("24001EC01000456T"), 7};

NewCancellation sampleCancellation(const QString& artord) {
    return {QStringLiteral("4"), kArticle.intndc, QStringLiteral("3"), QStringLiteral("2"),
            QStringLiteral("12,5"), QStringLiteral("EXP-2024-118"), QStringLiteral("CERT 0042"),
            QStringLiteral("30/06/2025"), artord, kItem.extnro, QStringLiteral("7"),
            QStringLiteral("15/03/2024 10:20:30")};
}

CancellationUpdate sampleUpdate(const QString& artord) {
    return {QStringLiteral("12,50"), QStringLiteral("EXP-2024-118"), QStringLiteral("CERT 0042"),
            QStringLiteral("30/06/2025"), artord, QStringLiteral("15/03/2024 10:20:30")};
}

struct StatementCase {
    const char* name;
    QString built;
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
        {"insert a cancellation with an order number",
         insertCancellation(sampleCancellation(QStringLiteral("12"))),
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
        {"rewrite a cancellation without an order number",
         updateCancellation(kArticle, kItem, sampleUpdate({})),
         "update CANCELACIONES set ARTCDS = cdbl('12,50'),ARTEXP = 'EXP-2024-118',ARTCER = "
         "'CERT 0042',ARTVEN = '30/06/2025',ARTORD = NULL,EXTFDC = '15/03/2024 10:20:30' where "
         "EXTNRO = '24001EC01000456T'  and EXTITM = 7  and INTNDC = '24001IC04000123A'  and "
         "ARTINO = 3  and ARTSNO = 2"},
        {"count declarations", countDeclaration(kArticle.intndc),
         "select count(INTNDC) as Cant from OPERACIONES where INTNDC = '24001IC04000123A'"},
        {"insert a declaration",
         insertDeclaration(QStringLiteral("1024"), kArticle.intndc, QStringLiteral("Repuestos textiles"),
                           QStringLiteral("15/03/2024")),
         "insert into OPERACIONES (NUMERO, INTNDC, INTDSC, INTFOF) values ('1024',"
         "'24001IC04000123A','Repuestos textiles','15/03/2024')"},
        {"insert an article",
         insertArticle({QStringLiteral("RT-4410"), kArticle.intndc, QStringLiteral("3"),
                        QStringLiteral("2"), QStringLiteral("8448.59.90"), QStringLiteral("05,00"),
                        QStringLiteral("01,5000"), QStringLiteral("07,50"), QStringLiteral("05,00")}),
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
        EXPECT_EQ(c.built.toStdString(), std::string(c.expected)) << c.name;
}

TEST(Statements, QuotedDoublesEverySingleQuote) {
    EXPECT_EQ(quoted(QStringLiteral("O'Brien")), QStringLiteral("O''Brien"));
    EXPECT_EQ(quoted(QStringLiteral("''")), QStringLiteral("''''"));
    EXPECT_EQ(quoted(QStringLiteral("sin comillas")), QStringLiteral("sin comillas"));
}

namespace {

const QString kHostile = QStringLiteral("'; drop table ARTICULOS; --");
const QString kIrish = QStringLiteral("O'Brien");

} // namespace

// Texts with quotes go in and come back unchanged, and change no statement's shape.
TEST(Statements, QuotedTextsTravelThroughTheDatabaseUnchanged) {
    quendarx::ScopedLocale locale(quendarx::test::esAR());
    ConnectedDatabase t;
    ASSERT_EQ(t.execute(insertDeclaration(kIrish, kHostile, QStringLiteral("it's ok"),
                                          QStringLiteral("15/03/2024"))),
              1);
    ASSERT_EQ(t.execute(insertArticle({kIrish, kHostile, QStringLiteral("1"), QStringLiteral("0"),
                                       QStringLiteral("8448.59'90"), QStringLiteral("05,00"),
                                       QStringLiteral("01,5000"), QStringLiteral("07,50"),
                                       QStringLiteral("05,00")})),
              1);
    const ArticleKey key{kHostile, 1, 0};
    const ExportItem item{kIrish, 2};
    NewCancellation c{QStringLiteral("1"), kHostile, QStringLiteral("1"), QStringLiteral("0"),
                      QStringLiteral("01,00"), kIrish, kHostile, QStringLiteral("it's"), {},
                      kIrish, QStringLiteral("2"), QStringLiteral("15/03/2024 10:20:30")};
    ASSERT_EQ(t.execute(insertCancellation(c)), 1);

    Recordset rs;
    ASSERT_TRUE(t.recordset(countDeclaration(kHostile), rs));
    EXPECT_EQ(rs.Fields(QStringLiteral("Cant")).toLongLong(), 1);
    ASSERT_TRUE(t.recordset(article(key), rs));
    EXPECT_EQ(rs.Fields(QStringLiteral("ARTNRO")).toString(), kIrish);
    EXPECT_EQ(rs.Fields(QStringLiteral("ARTNCM")).toString(), QStringLiteral("8448.59'90"));
    ASSERT_TRUE(t.recordset(cancellation(key, item), rs));
    EXPECT_EQ(rs.Fields(QStringLiteral("ARTEXP")).toString(), kIrish);
    EXPECT_EQ(rs.Fields(QStringLiteral("ARTCER")).toString(), kHostile);
    EXPECT_EQ(rs.Fields(QStringLiteral("ARTVEN")).toString(), QStringLiteral("it's"));

    ASSERT_EQ(t.execute(updateCancellation(key, item,
                                           {QStringLiteral("02,00"), kHostile, kIrish,
                                            QStringLiteral("x'y"), kIrish,
                                            QStringLiteral("16/03/2024 08:00:00")})),
              1);
    ASSERT_TRUE(t.recordset(cancellationsOfItem(item), rs));
    EXPECT_EQ(rs.Fields(QStringLiteral("ARTEXP")).toString(), kHostile);
    EXPECT_EQ(rs.Fields(QStringLiteral("ARTORD")).toString(), kIrish);
    EXPECT_DOUBLE_EQ(rs.Fields(QStringLiteral("ARTCDS")).toDouble(), 2.0);

    EXPECT_EQ(t.execute(deleteCancellation(key, item)), 1);
    EXPECT_EQ(t.execute(deleteDeclarationArticles(kHostile)), 1);
    EXPECT_EQ(t.execute(deleteDeclaration(kHostile)), 1);
    EXPECT_EQ(t.db.query(QStringLiteral("select count(*) from sqlite_master where type = 'table'")),
              QStringList{QStringLiteral("3")});
}

TEST(Statements, AQuoteInACodeNeitherMatchesNorDeletesOtherRows) {
    ConnectedDatabase t;
    t.db.exec(QStringLiteral("insert into OPERACIONES values ('1', 'A', 'first', '2024-01-01');"
                             "insert into OPERACIONES values ('2', 'B', 'second', '2024-01-02')"));
    EXPECT_EQ(t.execute(deleteDeclaration(QStringLiteral("x' or '1'='1"))), 0);
    EXPECT_EQ(t.db.query(QStringLiteral("select count(*) from OPERACIONES")), QStringList{QStringLiteral("2")});
}
