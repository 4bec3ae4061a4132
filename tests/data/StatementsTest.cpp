// Every statement the library sends, compared with its exact text. (Texts holding quotes
// through every statement and a real database: tests/faults, HostileInputTest; an order
// number left empty stored as null: JetHabits and the host script other-tools-stock.)
#include "data/Statements.h"
#include "support/TestSupport.h"
#include <gtest/gtest.h>

using namespace quendarx;
using namespace quendarx::sql;

namespace {

const ArticleKey kArticle{QStringLiteral("D-123"), 3, 2};
const ExportItem kItem{QStringLiteral("E-456"), 7};

struct StatementCase {
    Statement built;
    const char* expected;
};

} // namespace

TEST(Statements, EveryBuilderGivesTheExactText) {
    const StatementCase cases[] = {
        {deleteCancellation(kArticle, kItem),
         "delete from CANCELACIONES where INTNDC = 'D-123'  and ARTINO = 3  and ARTSNO = 2  and EXTNRO = 'E-456'  "
         "and EXTITM = 7"},
        {sumCancelled(kArticle),
         "select sum(ARTCDS) as TOTAL from CANCELACIONES where INTNDC = 'D-123' and ARTINO = 3 and ARTSNO = 2"},
        {updateAvailable(kArticle, QStringLiteral("12,35")),
         "update ARTICULOS set ARTDSC = cdbl(ARTCAN) - cdbl('12,35') where INTNDC = 'D-123' and ARTINO = 3 and "
         "ARTSNO = 2"},
        {cancellationsOfItem(kItem),
         "select INTNDC, ARTINO, ARTSNO, ARTCDS, ARTEXP, ARTCER, ARTVEN, ARTORD from CANCELACIONES  where EXTNRO "
         "= 'E-456' and EXTITM = 7 order by LINORD"},
        {cancellationsWithArticles(kItem),
         " select cancelaciones.INTNDC as pINTNDC,ARTNCM,cancelaciones.ARTINO as pARTINO,cancelaciones.ARTSNO as "
         "pARTSNO,ARTCDS,ARTEXP,ARTCER,ARTORD  from cancelaciones, articulos where  cancelaciones.INTNDC = "
         "articulos.INTNDC And cancelaciones.ARTINO = articulos.ARTINO And cancelaciones.ARTSNO = "
         "articulos.ARTSNO  and EXTNRO = 'E-456'  and EXTITM = 7 order by "
         "EXTITM,cancelaciones.INTNDC,cancelaciones.ARTINO,cancelaciones.ARTSNO "},
        {deleteDeclarationCancellations(kArticle.intndc), "delete from CANCELACIONES where INTNDC = 'D-123'"},
        {deleteDeclarationArticles(kArticle.intndc), "delete from ARTICULOS where INTNDC = 'D-123'"},
        {deleteDeclaration(kArticle.intndc), "delete from OPERACIONES where INTNDC = 'D-123'"},
        {deleteDeclaration(QStringLiteral("O'Brien''")), "delete from OPERACIONES where INTNDC = 'O''Brien'''''"},
        {declarationsByDate(), "select * from OPERACIONES order by INTFOF"},
        {articlesOfDeclaration(kArticle.intndc),
         "select ARTNRO,ARTINO,ARTSNO,ARTNCM,ARTCAN,ARTUNI,ARTFOB,ARTDSC from ARTICULOS where INTNDC = 'D-123' "
         "order by ARTINO,ARTSNO"},
        {article(kArticle), "select * from ARTICULOS where INTNDC= 'D-123'  and ARTINO = 3  and ARTSNO = 2 "},
        {cancellationsOfArticle(kArticle),
         "select EXTNRO, EXTITM, ARTCDS, EXTFDC from CANCELACIONES  where INTNDC = 'D-123' and ARTINO = 3 and "
         "ARTSNO = 2"},
        {countCancellation(kArticle, kItem),
         "select count(LINORD) as Cantidad from CANCELACIONES  where INTNDC = 'D-123' and ARTINO = 3 and ARTSNO = "
         "2 and EXTNRO = 'E-456' and EXTITM = 7"},
        {maxLineOrder(kItem), "select max(LINORD) as mayor from CANCELACIONES where EXTNRO = 'E-456'and EXTITM = 7"},
        {insertCancellation({"4", kArticle.intndc, "3", "2", "12,5", "EXP-2024-118", "CERT 0042", "30/06/2025", "12",
                             kItem.extnro, "7", "15/03/2024 10:20:30"}),
         "insert into "
         "CANCELACIONES(LINORD,INTNDC,ARTINO,ARTSNO,ARTCDS,ARTEXP,ARTCER,ARTVEN,ARTORD,EXTNRO,EXTITM,EXTFDC) "
         "values ('4','D-123','3','2','12,5','EXP-2024-118','CERT 0042','30/06/2025','12','E-456','7','15/03/2024 "
         "10:20:30')"},
        {availableOfArticle(kArticle),
         "select ARTDSC from ARTICULOS where INTNDC = 'D-123'   and ARTINO = 3  and ARTSNO = 2"},
        {cancellation(kArticle, kItem),
         "select * from cancelaciones where EXTNRO = 'E-456'   and EXTITM = 7  and INTNDC = 'D-123'   and ARTINO "
         "= 3  and ARTSNO = 2"},
        {updateCancellation(kArticle, kItem,
                            {"12,50", "EXP-2024-118", "CERT 0042", "30/06/2025", "A12", "15/03/2024 10:20:30"}),
         "update CANCELACIONES set ARTCDS = cdbl('12,50'),ARTEXP = 'EXP-2024-118',ARTCER = 'CERT 0042',ARTVEN = "
         "'30/06/2025',ARTORD = 'A12',EXTFDC = '15/03/2024 10:20:30' where EXTNRO = 'E-456'  and EXTITM = 7  and "
         "INTNDC = 'D-123'  and ARTINO = 3  and ARTSNO = 2"},
        {countDeclaration(kArticle.intndc), "select count(INTNDC) as Cant from OPERACIONES where INTNDC = 'D-123'"},
        {insertDeclaration("1024", kArticle.intndc, "Repuestos textiles", "15/03/2024"),
         "insert into OPERACIONES (NUMERO, INTNDC, INTDSC, INTFOF) values ('1024','D-123','Repuestos "
         "textiles','15/03/2024')"},
        {insertArticle({"RT-4410", kArticle.intndc, "3", "2", "8448.59.90", "05,00", "01,5000", "07,50", "05,00"}),
         "insert into ARTICULOS (ARTNRO,INTNDC,ARTINO,ARTSNO,ARTNCM,ARTCAN,ARTUNI,ARTFOB,ARTDSC) values "
         "('RT-4410','D-123',3,2,'8448.59.90','05,00','01,5000','07,50','05,00')"},
        {listingOfDeclaration(kItem.extnro),
         "select EXTITM,cancelaciones.INTNDC as pINTNDC,ARTNCM,cancelaciones.ARTINO as "
         "pARTINO,cancelaciones.ARTSNO as pARTSNO,ARTCDS,ARTEXP,ARTCER,ARTORD from cancelaciones, articulos where "
         "cancelaciones.INTNDC = articulos.INTNDC And cancelaciones.ARTINO = articulos.ARTINO And "
         "cancelaciones.ARTSNO = articulos.ARTSNO and EXTNRO = 'E-456' order by "
         "EXTITM,cancelaciones.INTNDC,cancelaciones.ARTINO,cancelaciones.ARTSNO"},
        {outsideItems(QStringLiteral("1024")), "select id from item where interno = '1024' and id<>0 order by id"},
        {outsideSubItems(QStringLiteral("1024"), QStringLiteral("5")),
         "select idarticulo, id, ncm, cantidad, preciounitario, fob from groupsubitems where interno = '1024' and "
         "id = 5 order by idsub"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.built.text().toStdString(), std::string(c.expected));
}

// The engines find their prepared statement by the shape: a builder gives one shared shape
// for the same choices, and another shape for other choices.
TEST(Statements, theShapeFollowsTheBuildersChoices) {
    const Statement number = updateAvailable(kArticle, QStringLiteral("12"));
    const Statement word = updateAvailable(kArticle, QStringLiteral("doce"));
    EXPECT_EQ(number.shape, "update ARTICULOS set ARTDSC = cdbl(ARTCAN) - ? where INTNDC = ? COLLATE NOCASE and "
                            "ARTINO = ? and ARTSNO = ?");
    EXPECT_EQ(word.shape, "update ARTICULOS set ARTDSC = cdbl(ARTCAN) - cdbl(?) where INTNDC = ? COLLATE NOCASE "
                          "and ARTINO = ? and ARTSNO = ?");
    EXPECT_EQ(word.text(), "update ARTICULOS set ARTDSC = cdbl(ARTCAN) - cdbl('doce') where INTNDC = 'D-123' and "
                           "ARTINO = 3 and ARTSNO = 2");
    EXPECT_EQ(updateAvailable({QStringLiteral("X"), 1, 0}, QStringLiteral("1")).shape.constData(),
              number.shape.constData());

    NewCancellation row{"4", "D-1", "3", "2", "1", "", "", "", "", "E-1", "7", "15/03/2024 10:20:30"};
    const Statement withoutOrder = insertCancellation(row);
    row.artord = QStringLiteral("12");
    const Statement withOrder = insertCancellation(row);
    EXPECT_TRUE(withoutOrder.shape.contains(QLatin1String("?,?,NULL,?,?,?)"))) << withoutOrder.shape.toStdString();
    EXPECT_TRUE(withOrder.shape.contains(QLatin1String("?,?,?,?,?,?)"))) << withOrder.shape.toStdString();
    EXPECT_EQ(withOrder.values.size(), withoutOrder.values.size() + 1);

    // A statement given whole keeps its text.
    EXPECT_EQ(Statement(QStringLiteral("select 'a'"), QStringLiteral("select ?"), {QStringLiteral("a")}).text(),
              "select 'a'");
}
