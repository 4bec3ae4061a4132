// The host's operations on the cancellations of its export item: the two record sets
// and the confirmed deletion that gives the quantity back to the article.
#include "cancellations/HostOperations.h"
#include "test_modify_fixture.h"

using namespace quendarx;
using quendarx::test::CancellationsTest;

namespace {

QStringList keys(const Recordset& rs, const char* intndc, const char* artino, const char* artsno) {
    Recordset copy = rs;
    copy.MoveFirst();
    QStringList out;
    for (; !copy.EOF_(); copy.MoveNext())
        out << QStringLiteral("%1/%2/%3")
                   .arg(copy.Fields(QString::fromLatin1(intndc)).toString(),
                        copy.Fields(QString::fromLatin1(artino)).toString(),
                        copy.Fields(QString::fromLatin1(artsno)).toString());
    return out;
}

} // namespace

class HostQueriesTest : public CancellationsTest {
protected:
    void SetUp() override {
        CancellationsTest::SetUp();
        // Registered in the order B, A/2/1, A/10/0, A/2/0 against EXP-1 item 1; the article
        // of A/10/0 has since gone from ARTICULOS.
        article(QStringLiteral("B-1"), 1, 0, 50, 50);
        article(QStringLiteral("A-1"), 2, 1, 50, 50);
        article(QStringLiteral("A-1"), 2, 0, 50, 50);
        article(QStringLiteral("C-1"), 3, 0, 50, 50);
        cancellation({1, QStringLiteral("B-1"), 1, 0, 1});
        cancellation({2, QStringLiteral("A-1"), 2, 1, 2});
        cancellation({3, QStringLiteral("A-1"), 10, 0, 3});
        cancellation({4, QStringLiteral("A-1"), 2, 0, 4});
        // Another item of the same export declaration, and another declaration's item 1.
        cancellation({1, QStringLiteral("C-1"), 3, 0, 5, QStringLiteral("EXP-1"), 2});
        cancellation({1, QStringLiteral("C-1"), 3, 0, 6, QStringLiteral("EXP-2"), 1});
    }
};

TEST_F(HostQueriesTest, ItemsComeInLineOrderAndIncludeCancellationsOfVanishedArticles) {
    auto given = std::make_shared<Recordset>();
    RecordsetRef rs = given;
    ASSERT_TRUE(Obtener_Items(rs));
    ASSERT_EQ(rs, given) << "the host's own record set is filled";
    EXPECT_EQ(rs->columns(), QStringList({"INTNDC", "ARTINO", "ARTSNO", "ARTCDS", "ARTEXP",
                                          "ARTCER", "ARTVEN", "ARTORD"}));
    EXPECT_EQ(keys(*rs, "INTNDC", "ARTINO", "ARTSNO"),
              QStringList({"B-1/1/0", "A-1/2/1", "A-1/10/0", "A-1/2/0"}));
    EXPECT_FALSE(rs->EOF_()) << "the first row is current";
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(HostQueriesTest, CancellationsAreSortedByArticleAndLeaveOutVanishedArticles) {
    RecordsetRef rs; // the host passes an empty reference
    ASSERT_TRUE(ObtenerCancelacion(rs));
    ASSERT_TRUE(rs);
    EXPECT_EQ(rs->columns(), QStringList({"pINTNDC", "ARTNCM", "pARTINO", "pARTSNO", "ARTCDS",
                                          "ARTEXP", "ARTCER", "ARTORD"}));
    EXPECT_EQ(keys(*rs, "pINTNDC", "pARTINO", "pARTSNO"),
              QStringList({"A-1/2/0", "A-1/2/1", "B-1/1/0"}));
    EXPECT_EQ(rs->Fields(QStringLiteral("ARTNCM")).toString(), QStringLiteral("NCM-2"));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(HostQueriesTest, AnItemWithoutCancellationsGivesFalseAnEmptyReferenceAndNoMessage) {
    basGlobal().g_Item = 7;
    RecordsetRef items = std::make_shared<Recordset>();
    RecordsetRef joined = std::make_shared<Recordset>();
    EXPECT_FALSE(Obtener_Items(items));
    EXPECT_FALSE(ObtenerCancelacion(joined));
    EXPECT_EQ(items, nullptr);
    EXPECT_EQ(joined, nullptr);
    EXPECT_TRUE(boxes.shown.empty());
}

class DeleteTest : public CancellationsTest {
protected:
    bool deleteAnswering(int answer, const QString& intndc, int artino, int artsno) {
        boxes.queueAnswer(answer);
        return Eliminar_Articulo(intndc, static_cast<std::int16_t>(artino),
                                 static_cast<std::int16_t>(artsno));
    }
    int cancellations() const {
        return value(QStringLiteral("select count(*) from CANCELACIONES")).toInt();
    }
};

TEST_F(DeleteTest, TheQuestionNamesTheArticleAndNoDeletesNothing) {
    article(QStringLiteral("D-1"), 3, 1, 20, 16);
    cancellation({1, QStringLiteral("D-1"), 3, 1, 4});
    struct Case {
        QString intndc;
        int artino, artsno;
        const char* lines;
    } cases[] = {
        {QStringLiteral("D-1"), 3, 1, "Item: 3\r\nSubItem: 1\r\nDeclaracion: D-1"},
        {QStringLiteral("D'9 ñ"), -3, 0, "Item: -3\r\nSubItem: 0\r\nDeclaracion: D'9 ñ"},
    };
    for (const Case& c : cases) {
        boxes.shown.clear();
        EXPECT_FALSE(deleteAnswering(vbNo, c.intndc, c.artino, c.artsno));
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].style, 36);
        EXPECT_EQ(boxes.shown[0].text,
                  QStringLiteral("Confirma eliminar el articulo perteneciente a\r\n") +
                      QString::fromUtf8(c.lines));
    }
    EXPECT_EQ(cancellations(), 1);
    EXPECT_EQ(available(QStringLiteral("D-1"), 3, 1), QStringLiteral("16.0"));
}

TEST_F(DeleteTest, NothingToDeleteIsReportedAndLeavesTheArticleAlone) {
    article(QStringLiteral("D-1"), 1, 0, 20, 13);
    cancellation({1, QStringLiteral("D-1"), 1, 0, 4, QStringLiteral("EXP-1"), 2});
    struct Case {
        QString intndc;
        int artino, artsno;
    } cases[] = {{QStringLiteral("D-1"), 1, 0}, // only against another export item
                 {QStringLiteral("D-1"), 0, 0},
                 {QStringLiteral("D-1"), -1, 0},
                 {QStringLiteral("D-1' or '1'='1"), 1, 0}};
    for (const Case& c : cases) {
        boxes.shown.clear();
        EXPECT_FALSE(deleteAnswering(vbYes, c.intndc, c.artino, c.artsno));
        ASSERT_EQ(boxes.shown.size(), 2u);
        EXPECT_EQ(boxes.shown[1].style, 16);
        EXPECT_EQ(boxes.shown[1].text, QStringLiteral("No se eliminio ningun registo."));
    }
    EXPECT_EQ(cancellations(), 1);
    EXPECT_EQ(available(QStringLiteral("D-1"), 1, 0), QStringLiteral("13.0"));
}

TEST_F(DeleteTest, DeletingTheOnlyCancellationGivesBackTheWholeQuantity) {
    article(QStringLiteral("d'1"), 1, 2, 20, 16);
    cancellation({1, QStringLiteral("d'1"), 1, 2, 4});
    // Declaration codes compare without regard to letter case.
    EXPECT_TRUE(deleteAnswering(vbYes, QStringLiteral("D'1"), 1, 2));
    EXPECT_EQ(boxes.shown.size(), 1u) << "no message after the question";
    EXPECT_EQ(cancellations(), 0);
    EXPECT_EQ(available(QStringLiteral("d'1"), 1, 2), QStringLiteral("20.0"));
}

TEST_F(DeleteTest, CancellationsAgainstOtherItemsStayInTheRoundedTotal) {
    for (const QLocale& loc : {quendarx::test::esAR(), quendarx::test::enUS()}) {
        SCOPED_TRACE(loc.name().toStdString());
        ScopedLocale scoped(loc);
        db.exec(QStringLiteral("delete from CANCELACIONES; delete from ARTICULOS;"));
        article(QStringLiteral("D-1"), 1, 0, 20, 0);
        cancellation({1, QStringLiteral("D-1"), 1, 0, 5});
        cancellation({1, QStringLiteral("D-1"), 1, 0, 2.3456, QStringLiteral("EXP-1"), 2});
        cancellation({1, QStringLiteral("D-1"), 1, 0, 10, QStringLiteral("EXP-2"), 1});
        EXPECT_TRUE(deleteAnswering(vbYes, QStringLiteral("D-1"), 1, 0));
        // 20 - round(12.3456) = 7.65
        EXPECT_EQ(available(QStringLiteral("D-1"), 1, 0), QStringLiteral("7.65"));
        EXPECT_EQ(cancellations(), 2);
    }
}

TEST_F(DeleteTest, ArticleGoneAfterTheDeleteIsReportedButTheRowStaysDeleted) {
    cancellation({1, QStringLiteral("D-1"), 1, 0, 5});
    EXPECT_FALSE(deleteAnswering(vbYes, QStringLiteral("D-1"), 1, 0));
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].style, 16);
    EXPECT_EQ(boxes.shown[1].text, QStringLiteral("Error en actualizar CANTIDAD DISPONIBLE"));
    EXPECT_EQ(cancellations(), 0);
}
