// The import screen itself and what it checks before anything is copied: the fields in
// order, the date, a code already in stock, the declaration row as typed.
#include "ImportFixture.h"
#include "data/Statements.h"
#include <QApplication>
#include <QDialog>
#include <QLabel>

namespace quendarx::test {
namespace {

class ImportLocaleTest : public ImportTest, public ::testing::WithParamInterface<LocaleCase> {
protected:
    ImportLocaleTest() : ImportTest(GetParam().locale) {}
};

TEST_F(ImportTest, OpensEmptyWithItsCaptionsAndTabOrder) {
    screen().showModeless();
    QDialog* win = screen().window();
    ASSERT_NE(win, nullptr);
    EXPECT_EQ(win->windowTitle(), QStringLiteral("Guardar despacho a Stock"));
    const std::vector<std::pair<const char*, const char*>> captions = {
        {"Label1", "Guardar despacho a Stock"},
        {"lbInterno", "Interno: "},
        {"Label2", "Declaración"},
        {"Label3", "Descripción"},
        {"Label4", "Fecha de oficialización"},
        {"Label5", "Articulos"},
        {"Label6", "Item's:"},
        {"Label8", "000"},
        {"Label7", "SubItem's:"},
        {"Label9", "000"},
        {"Label10", "F11 - [Guardar]"}};
    for (const auto& [name, caption] : captions)
        EXPECT_EQ(screen().label(QString::fromLatin1(name))->text(), QString::fromUtf8(caption))
            << name;
    EXPECT_EQ(box("txtINTNDC")->maxLength(), 16);
    EXPECT_EQ(box("txtINTDSC")->maxLength(), 150);
    EXPECT_EQ(box("txtINTFOF")->maxLength(), 10);
    EXPECT_TRUE(screen().progressBar(QStringLiteral("Pb"))->isHidden());

    win->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(win));
    QStringList order;
    for (int i = 0; i < 3; ++i) {
        QWidget* focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr);
        order << focused->objectName();
        EXPECT_TRUE(qobject_cast<QLineEdit*>(focused)->text().isEmpty());
        QTest::keyClick(focused, Qt::Key_Return); // the input helper moves on
    }
    EXPECT_EQ(order, QStringList({"txtINTNDC", "txtINTDSC", "txtINTFOF"}));
}

TEST_F(ImportTest, EscapeClosesWithoutSaving) {
    screen().showModeless();
    box("txtINTNDC")->setText(QStringLiteral("D-1"));
    box("txtINTDSC")->setText(QStringLiteral("x"));
    box("txtINTFOF")->setText(QStringLiteral("05/12/2026"));
    QTest::keyClick(box("txtINTDSC"), Qt::Key_Escape);
    EXPECT_FALSE(screen().isLoaded());
    EXPECT_TRUE(declarations().isEmpty());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_P(ImportLocaleTest, FieldsAreCheckedInOrderAndNothingIsWritten) {
    const QString date = GetParam().typedDate;
    struct Case {
        QString code, description, date, message;
    };
    const std::vector<Case> cases = {
        {"", "", "", "Falta ingresar Codigo de Declaración"},
        {"", "desc", date, "Falta ingresar Codigo de Declaración"},
        {"D-1", "", "", "Falta ingresar Descripción de Interno"},
        {"D-1", "desc", "", "Falta ingresar Fecha de Oficialización"},
        {"D-1", "desc", "abcdefgh", "Fecha inválida en Fecha de Oficialización"},
        {"D-1", "desc", "   ", "Fecha inválida en Fecha de Oficialización"},
        {"D-1", "desc", "31/31/2026", "Fecha inválida en Fecha de Oficialización"},
    };
    for (const Case& c : cases) {
        boxes.shown.clear();
        save(c.code, c.description, c.date);
        EXPECT_EQ(messages(), QStringList{"16 " + c.message})
            << c.code.toStdString() << "|" << c.description.toStdString() << "|"
            << c.date.toStdString();
        EXPECT_TRUE(screen().isLoaded());
        expectCleanEnd();
    }
    EXPECT_TRUE(declarations().isEmpty());
}

TEST_P(ImportLocaleTest, DateGoesIntoTheInsertAsTypedAndIsStoredIso) {
    basGlobal().g_NumeroInterno = QStringLiteral("NO-ITEMS");
    save(QStringLiteral("D-DEC"), QStringLiteral("December"), GetParam().typedDate);
    EXPECT_EQ(basGlobal().conexionLocal().Sql(),
              sql::insertDeclaration(QStringLiteral("NO-ITEMS"), QStringLiteral("D-DEC"),
                                     QStringLiteral("December"), GetParam().typedDate));
    save(QStringLiteral("D-JAN"), QStringLiteral("January"), GetParam().january);
    EXPECT_EQ(declarations(), QStringList({"NO-ITEMS|D-JAN|January|2026-01-20",
                                           "NO-ITEMS|D-DEC|December|2026-12-05"}));
}

TEST_P(ImportLocaleTest, CodeAlreadyInStockIsRefused) {
    stock.exec(QStringLiteral("insert into OPERACIONES (NUMERO, INTNDC, INTDSC, INTFOF) "
                              "values ('OLD', 'D-1', 'old', '2020-01-01')"));
    outside->addItem(QStringLiteral("INT-1"), QStringLiteral("1"));
    outside->addSubItem("INT-1", "1", 1, "'A'", "'N'", "5", "1", "5");
    for (const QString& code : {QStringLiteral("D-1"), QStringLiteral("d-1")}) {
        boxes.shown.clear();
        save(code, QStringLiteral("new"), GetParam().typedDate);
        EXPECT_EQ(messages(), QStringList{"48 El número de declaración " + code +
                                          " ya existe en base de datos"});
        EXPECT_TRUE(screen().isLoaded());
        expectCleanEnd();
    }
    EXPECT_EQ(declarations(), QStringList{"OLD|D-1|old|2020-01-01"});
    EXPECT_TRUE(articles().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Locales, ImportLocaleTest, ::testing::ValuesIn(bothLocales()), localeName);

TEST_F(ImportTest, InternalNumberWithoutItemsKeepsTheDeclarationRow) {
    outside->addItem(QStringLiteral("OTHER"), QStringLiteral("1"));
    outside->addItem(QStringLiteral("INT-1"), QStringLiteral("0")); // id 0 is never an item
    basGlobal().g_NumeroInterno.clear();
    save(QStringLiteral("D-1"), QStringLiteral("desc"), QStringLiteral("05/12/2026"));
    EXPECT_EQ(messages(), QStringList{"16 No se puede obtener los item's del despacho"});
    EXPECT_EQ(declarations(), QStringList{"|D-1|desc|2026-12-05"});
    EXPECT_TRUE(articles().isEmpty());
    expectCleanEnd();

    // The partial declaration blocks a second attempt until it is deleted.
    boxes.shown.clear();
    basGlobal().g_NumeroInterno = QStringLiteral("INT-1");
    QTest::keyClick(box("txtINTNDC"), Qt::Key_F11);
    EXPECT_EQ(messages(),
              QStringList{"48 El número de declaración D-1 ya existe en base de datos"});
}

} // namespace
} // namespace quendarx::test
