// The interactive host window offscreen: its buttons go through the automation layer to
// the library and bring back the status line and the table of cancellations.
#include "InteractiveHostWindow.h"
#include "data/Schema.h"
#include "platform/MessageBoxes.h"
#include "state/basGlobal.h"
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <gtest/gtest.h>
#include <sqlite3.h>

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace quendarx::host {
namespace {

// Answers every Yes/No box with Yes and keeps the texts.
class YesBoxes : public MessageBoxHandler {
public:
    int show(const QString& text, int style) override {
        texts << text;
        return (style & vbYesNo) ? vbYes : vbOK;
    }
    QStringList texts;
};

class HostWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        qputenv("QUENDARX_REGISTRY", dir_.filePath(QStringLiteral("registry.ini")).toUtf8());
        path_ = dir_.filePath(QStringLiteral("stock.db"));
        QString error;
        ASSERT_TRUE(createLocalDatabase(path_, &error)) << error.toStdString();
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path_.toUtf8().constData(), &db), SQLITE_OK);
        registerEngineFunctions(db);
        const int rc = sqlite3_exec(
            db,
            "insert into OPERACIONES values ('1', 'IC-1', 'Repuestos', '2026-01-15');"
            "insert into ARTICULOS values ('A-1', 'IC-1', 1, 0, '8471.30.00', 10, 1, 10, 7.5),"
            " ('A-2', 'IC-1', 2, 0, '8482.10.10', 8, 2, 16, 4);"
            "insert into CANCELACIONES values"
            " (1, 'IC-1', 1, 0, 2.5, 'EXP-A', 'CO-1', '31/03/2027', 3, 'EXP-1', 1, '2026-12-05 10:30:00'),"
            " (2, 'IC-1', 2, 0, 4, 'EXP-A', 'CO-2', '31/03/2027', NULL, 'EXP-1', 1, '2026-12-05 10:31:00'),"
            " (1, 'IC-1', 2, 0, 1, 'EXP-B', '', '', NULL, 'EXP-1', 2, '2026-12-05 10:32:00')",
            nullptr, nullptr, nullptr);
        EXPECT_EQ(rc, SQLITE_OK) << sqlite3_errmsg(db);
        sqlite3_close(db);
        window_ = std::make_unique<InteractiveHostWindow>();
        window_->setField(QStringLiteral("txtBaseDatos"), path_);
        window_->setField(QStringLiteral("txtInterno"), QStringLiteral("EXP-1"));
        window_->setField(QStringLiteral("txtItem"), QStringLiteral("1"));
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    }
    void TearDown() override {
        window_.reset();
        resetLibraryState(); // the connection to this test's file goes with it
    }

    // Each row's cells joined by '|'.
    QStringList rows() const {
        QStringList result;
        const QTableWidget* table = window_->table();
        for (int row = 0; row < table->rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < table->columnCount(); ++column)
                cells << (table->item(row, column) ? table->item(row, column)->text() : QString());
            result << cells.join(u'|');
        }
        return result;
    }

    QTemporaryDir dir_;
    QString path_;
    std::unique_ptr<InteractiveHostWindow> window_;
};

TEST_F(HostWindowTest, TheButtonsCallTheLibraryWithTheFieldsAndTheChosenRow) {
    YesBoxes boxes;
    ScopedMessageBoxHandler scope(&boxes);
    // Enter in a field calls nothing; on a focused button it presses the button.
    auto* interno = window_->findChild<QLineEdit*>(QStringLiteral("txtInterno"));
    interno->setFocus();
    QTest::keyClick(interno, Qt::Key_Return);
    EXPECT_TRUE(window_->statusText().isEmpty());
    EXPECT_TRUE(rows().isEmpty()); // nothing is read before a connection
    auto* connect = window_->findChild<QPushButton*>(QStringLiteral("Conectar_DB"));
    connect->setFocus();
    QTest::keyClick(connect, Qt::Key_Return);
    EXPECT_EQ(window_->statusText(), QStringLiteral("Conectar_DB: True"));
    ASSERT_TRUE(window_->press(QStringLiteral("ObtenerCancelacion")));
    EXPECT_EQ(window_->statusText(), QStringLiteral("ObtenerCancelacion: True (2 filas)"));
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("IC-1|8471.30.00|1|0|2.5|EXP-A|CO-1|3"),
                                   QStringLiteral("IC-1|8482.10.10|2|0|4|EXP-A|CO-2|")}));
    ASSERT_EQ(window_->table()->selectedItems().size(), window_->table()->columnCount()); // the first row

    // Eliminar_Articulo takes its arguments from the chosen row, and needs one.
    window_->table()->clearSelection();
    window_->press(QStringLiteral("Eliminar_Articulo"));
    EXPECT_EQ(window_->statusText(), QStringLiteral("Eliminar_Articulo: elija una cancelación de la tabla"));
    EXPECT_TRUE(boxes.texts.isEmpty());
    window_->table()->selectRow(1);
    window_->press(QStringLiteral("Eliminar_Articulo"));
    ASSERT_EQ(boxes.texts.size(), 1);
    EXPECT_TRUE(boxes.texts[0].contains(QStringLiteral("Item: 2\r\nSubItem: 0\r\nDeclaracion: IC-1")))
        << boxes.texts[0].toStdString();
    EXPECT_EQ(window_->statusText(), QStringLiteral("Eliminar_Articulo: True"));
    EXPECT_EQ(rows(), QStringList{QStringLiteral("IC-1|8471.30.00|1|0|2.5|EXP-A|CO-1|3")});

    // Another item: the fields go in as properties before the call.
    window_->setField(QStringLiteral("txtItem"), QStringLiteral("2"));
    window_->press(QStringLiteral("Obtener_Items"));
    EXPECT_EQ(window_->statusText(), QStringLiteral("Obtener_Items: True (1 fila)"));
    EXPECT_EQ(rows(), QStringList{QStringLiteral("IC-1|8482.10.10|2|0|1|EXP-B||")});
    window_->setField(QStringLiteral("txtInterno"), QStringLiteral("OTRO"));
    window_->press(QStringLiteral("ObtenerCancelacion"));
    EXPECT_EQ(window_->statusText(), QStringLiteral("ObtenerCancelacion: False (sin registros)"));
    EXPECT_TRUE(rows().isEmpty());
    // A failed property stops the call and shows the error.
    window_->setField(QStringLiteral("txtItem"), QStringLiteral("abc"));
    window_->press(QStringLiteral("ObtenerCancelacion"));
    EXPECT_EQ(window_->statusText(), QStringLiteral("Item: error 13 Type mismatch"));
    EXPECT_FALSE(window_->press(QStringLiteral("NoSuchMember")));
}

// With the modeless import screen open, the clcancelMain members put the export
// declaration into the shared Numero_Interno; the import's number must be back in
// place for its save.
TEST_F(HostWindowTest, TheOpenImportScreenKeepsItsDeclarationNumber) {
    window_->setField(QStringLiteral("txtInternoBrevik"), QStringLiteral("2002"));
    window_->press(QStringLiteral("clImportar.Conectar_DB"));
    EXPECT_EQ(window_->statusText(), QStringLiteral("clImportar.Conectar_DB: True"));
    window_->press(QStringLiteral("Importar"));
    EXPECT_EQ(window_->statusText(), QStringLiteral("Importar: hecho"));
    QWidget* import = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == u"frmImportar" && w->isVisible())
            import = w;
    ASSERT_NE(import, nullptr);

    window_->press(QStringLiteral("ObtenerCancelacion"));
    EXPECT_EQ(rows().size(), 2);
    EXPECT_EQ(basGlobal().g_NumeroInterno, QStringLiteral("2002"));

    // Once the screen is gone the export declaration stays after a call.
    QTest::keyClick(import->focusWidget() ? import->focusWidget() : import, Qt::Key_Escape);
    QTest::qWait(700);
    window_->press(QStringLiteral("Obtener_Items"));
    EXPECT_EQ(basGlobal().g_NumeroInterno, QStringLiteral("EXP-1"));
}

} // namespace
} // namespace quendarx::host
