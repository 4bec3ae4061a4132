// Copying the outside declaration's articles into stock: numbering, number formats,
// partial imports, and outside data that is odd, missing or gone.
#include "ImportFixture.h"
#include <QFile>

namespace quendarx::test {
namespace {

const QString kErrorTag =
    QStringLiteral("\r\n\r\nSección [QuendarxDLL.frmImportar.lp_AgregarInterno]");

class ImportCopyTest : public ImportTest, public ::testing::WithParamInterface<LocaleCase> {
protected:
    ImportCopyTest() : ImportTest(GetParam().locale) {}
    void saveD1() { save(QStringLiteral("D-1"), QStringLiteral("desc"), GetParam().typedDate); }
};

TEST_P(ImportCopyTest, CopiesEverySubItemNumberedWithinItsItem) {
    const auto sub = [&](const char* interno, const char* id, int idsub, const char* art,
                         const char* cant, const char* precio, const char* fob) {
        outside->addSubItem(interno, id, idsub, art, "'8471.30.00'", cant, precio, fob);
    };
    for (const char* id : {"2", "0", "1"})
        outside->addItem(QStringLiteral("INT-1"), id);
    outside->addItem(QStringLiteral("INT-2"), QStringLiteral("1"));
    sub("INT-1", "1", 3, "'A-3'", "3", "2.5", "7.5");
    sub("INT-1", "1", 1, "'A-1'", "5", "1.5", "12.345");
    sub("INT-1", "1", 2, "'A-2'", "0.125", "1.23456", "0");
    sub("INT-1", "2", 7, "'B'", "10", "3", "30");
    sub("INT-1", "0", 1, "'ZERO'", "1", "1", "1");
    sub("INT-2", "1", 1, "'OTHER'", "1", "1", "1");

    saveD1();

    EXPECT_EQ(messages(), QStringList{"64 Despacho agregado en stock"});
    EXPECT_FALSE(screen().isLoaded());
    expectCleanEnd();
    EXPECT_EQ(articles(), QStringList({
                              "A-1|D-1|1|1|8471.30.00|5.0|1.5|12.35|5.0",
                              "A-2|D-1|1|2|8471.30.00|0.13|1.2346|0.0|0.13",
                              "A-3|D-1|1|3|8471.30.00|3.0|2.5|7.5|3.0",
                              "B|D-1|2|0|8471.30.00|10.0|3.0|30.0|10.0",
                          }));
    EXPECT_EQ(declarations(), QStringList{"INT-1|D-1|desc|2026-12-05"});
}

TEST_P(ImportCopyTest, NumbersTravelInTheRegionalFormat) {
    outside->addItem(QStringLiteral("INT-1"), QStringLiteral("1"));
    outside->addSubItem("INT-1", "1", 1, "'A'", "'N'", "5", "1.5", "7.5");
    saveD1();
    EXPECT_TRUE(basGlobal().conexionLocal().Sql().contains(GetParam().decimalNumbers))
        << basGlobal().conexionLocal().Sql().toStdString();
    EXPECT_EQ(articles(), QStringList{"A|D-1|1|0|N|5.0|1.5|7.5|5.0"});
}

TEST_P(ImportCopyTest, ItemWithoutSubItemsStopsKeepingWhatWasSaved) {
    for (const char* id : {"1", "2", "3"})
        outside->addItem(QStringLiteral("INT-1"), id);
    outside->addSubItem("INT-1", "1", 1, "'A'", "'N'", "1", "1", "1");
    outside->addSubItem("INT-1", "3", 1, "'C'", "'N'", "1", "1", "1");
    saveD1();
    EXPECT_EQ(messages(), QStringList{"16 Error en obtener los Articulos"});
    EXPECT_TRUE(screen().isLoaded());
    expectCleanEnd();
    EXPECT_EQ(articles(), QStringList{"A|D-1|1|0|N|1.0|1.0|1.0|1.0"});
    EXPECT_EQ(declarations().size(), 1);
}

TEST_P(ImportCopyTest, UnreachableOutsideDatabaseReportsTheDriversReason) {
    basGlobal().g_BaseExterna = QStringLiteral("Driver=NoSuchOdbcDriver;Database=x.db");
    saveD1();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].style, 16);
    const QString text = boxes.shown[0].text;
    EXPECT_TRUE(text.contains(QStringLiteral("NoSuchOdbcDriver"))) << text.toStdString();
    EXPECT_TRUE(text.endsWith(kErrorTag)) << text.toStdString();
    EXPECT_TRUE(screen().isLoaded());
    expectCleanEnd();
    EXPECT_EQ(declarations().size(), 1);
    EXPECT_TRUE(articles().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Locales, ImportCopyTest, ::testing::ValuesIn(bothLocales()), localeName);

TEST_F(ImportTest, QuotesAndNullsFromOutsideAreStoredAsTheyAre) {
    outside->addItem(QStringLiteral("INT-1"), QStringLiteral("1"));
    outside->addSubItem("INT-1", "1", 1, "'O''Brien'", "'84''71'", "2", "1", "1");
    outside->addSubItem("INT-1", "1", 2, "NULL", "NULL", "NULL", "NULL", "NULL");
    save(QStringLiteral("D'1"), QStringLiteral("it's"), QStringLiteral("05/12/2026"));
    EXPECT_EQ(messages(), QStringList{"64 Despacho agregado en stock"});
    EXPECT_EQ(articles(),
              QStringList({"O'Brien|D'1|1|1|84'71|2.0|1.0|1.0|2.0", "|D'1|1|2||0.0|0.0|0.0|0.0"}));
    EXPECT_EQ(declarations(), QStringList{"INT-1|D'1|it's|2026-12-05"});
}

TEST_F(ImportTest, OutsideValuesThatAreNoNumbersEndInTheErrorReport) {
    // Texts where numbers belong: the quantity column holds whatever was typed outside.
    QString columns = OutsideDatabase::typedColumns();
    columns.replace(QStringLiteral("cantidad double"), QStringLiteral("cantidad varchar(20)"));
    outside = std::make_unique<OutsideDatabase>(columns);
    basGlobal().g_BaseExterna = outside->connectionString();
    struct Case {
        const char* id;
        const char* cantidad;
        const char* report;
    };
    const std::vector<Case> cases = {
        {"1", "'lots'", "13 - Type mismatch"},
        {"1", "'1.5'", "13 - Type mismatch"}, // a point is no decimal mark under es_AR
        {"40000", "'1'", "6 - Overflow"},     // item ids are 16-bit
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.report);
        const QString interno = QStringLiteral("INT-%1").arg(++n);
        basGlobal().g_NumeroInterno = interno;
        outside->addItem(interno, c.id);
        outside->addSubItem(interno, c.id, 1, "'A'", "'N'", c.cantidad, "1", "1");
        boxes.shown.clear();
        save(QStringLiteral("D-%1").arg(n), QStringLiteral("desc"), QStringLiteral("05/12/2026"));
        EXPECT_EQ(messages(), QStringList{QStringLiteral("16 ") + c.report + kErrorTag});
        EXPECT_TRUE(screen().isLoaded());
        expectCleanEnd();
    }
    EXPECT_EQ(declarations().size(), 3);
    EXPECT_TRUE(articles().isEmpty());
}

TEST_F(ImportTest, OutsideTableMissingAColumnStopsAtTheArticles) {
    QString columns = OutsideDatabase::typedColumns();
    columns.remove(QStringLiteral(", fob double"));
    outside = std::make_unique<OutsideDatabase>(columns);
    basGlobal().g_BaseExterna = outside->connectionString();
    outside->addItem(QStringLiteral("INT-1"), QStringLiteral("1"));
    outside->addSubItem("INT-1", "1", 1, "'A'", "'N'", "1", "1", "");
    save(QStringLiteral("D-1"), QStringLiteral("desc"), QStringLiteral("05/12/2026"));
    EXPECT_EQ(messages(), QStringList{"16 Error en obtener los Articulos"});
    EXPECT_EQ(declarations().size(), 1);
    EXPECT_TRUE(articles().isEmpty());
    expectCleanEnd();
}

TEST_F(ImportTest, OutsideFileDeletedBetweenTwoImports) {
    outside->addItem(QStringLiteral("INT-1"), QStringLiteral("1"));
    outside->addSubItem("INT-1", "1", 1, "'A'", "'N'", "1", "1", "1");
    save(QStringLiteral("D-1"), QStringLiteral("first"), QStringLiteral("05/12/2026"));
    ASSERT_EQ(messages(), QStringList{"64 Despacho agregado en stock"});

    ASSERT_TRUE(QFile::remove(outside->path()));
    boxes.shown.clear();
    save(QStringLiteral("D-2"), QStringLiteral("second"), QStringLiteral("06/12/2026"));
    EXPECT_EQ(messages(), QStringList{"16 No se puede obtener los item's del despacho"});
    EXPECT_TRUE(screen().isLoaded());
    expectCleanEnd();
    EXPECT_EQ(declarations().size(), 2);
    EXPECT_EQ(articles(), QStringList{"A|D-1|1|0|N|1.0|1.0|1.0|1.0"});
}

} // namespace
} // namespace quendarx::test
