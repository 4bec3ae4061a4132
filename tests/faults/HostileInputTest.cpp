// Texts no clerk should type, and a host should not pass, but some will: quotes,
// backslashes, LIKE wildcards, control characters, accents, emoji, 10,000 characters,
// SQL fragments. Every statement keeps its shape whatever text it carries; the texts are
// stored and read back exactly, or refused with the field's own message (a NUL
// character, which no statement can carry, has the statement refused as a whole).
#include "FaultSupport.h"
#include "automation/clcancelMain.h"
#include "cancellations/frmRelArt.h"
#include "data/Recordset.h"
#include "data/Schema.h"
#include "data/Statements.h"
#include "platform/RuntimeError.h"
#include "state/basGlobal.h"
#include "stock/frmDespachos.h"
#include "stock/frmImportar.h"
#include <QDir>
#include <QTreeWidget>
#include <sqlite3.h>

using namespace quendarx;
using namespace quendarx::sql;
using namespace quendarx::test;

namespace {

const std::vector<std::pair<const char*, QString>> kHostile{
    {"single quote", "O'Brien"},
    {"two quotes", "''"},
    {"closing quote and statement", "'; drop table ARTICULOS; --"},
    {"backslash before quote", "\\' or 1=1 --"},
    {"backslashes", "C:\\temp\\x\\"},
    {"LIKE wildcards", "100%_x%"},
    {"printf patterns", "%s%n%d%1%%"},
    {"control characters", "tab\there\nline\r\x01\x1b[0m\x7f"},
    {"accents", "ÁÉÍÓÚ ñÑ üÜ ¿¡ çã"},
    {"emoji", "😀👍🏽 envío 🇦🇷"},
    {"double quotes", "\"x\" \""},
    {"concatenated subquery", "x' || (select count(*) from OPERACIONES) || '"},
    {"attach", "'; attach database '/tmp/x.db' as y; --"},
    {"comment opener", "/* x"},
    {"blank edges", "  padded  "},
    {"10,000 characters", QString(9999, 'z') + '\''},
};

// Every statement builder with each of its text values set to t.
std::vector<std::pair<const char*, Statement>> statementsCarrying(const QString& t) {
    const ArticleKey a{t, 1, 0};
    const ExportItem e{t, 1};
#define QX_STATEMENT(call)                                                                                             \
    { #call, call }
    return {QX_STATEMENT(deleteCancellation(a, e)),
            QX_STATEMENT(sumCancelled(a)),
            QX_STATEMENT(updateAvailable(a, "12,35")),
            QX_STATEMENT(cancellationsOfItem(e)),
            QX_STATEMENT(cancellationsWithArticles(e)),
            QX_STATEMENT(deleteDeclarationCancellations(t)),
            QX_STATEMENT(deleteDeclarationArticles(t)),
            QX_STATEMENT(deleteDeclaration(t)),
            QX_STATEMENT(articlesOfDeclaration(t)),
            QX_STATEMENT(article(a)),
            QX_STATEMENT(cancellationsOfArticle(a)),
            QX_STATEMENT(countCancellation(a, e)),
            QX_STATEMENT(maxLineOrder(e)),
            QX_STATEMENT(insertCancellation({"1", t, "1", "0", "01,00", t, t, t, t, t, "1", t})),
            QX_STATEMENT(availableOfArticle(a)),
            QX_STATEMENT(cancellation(a, e)),
            QX_STATEMENT(updateCancellation(a, e, {"01,00", t, t, t, t, t})),
            QX_STATEMENT(countDeclaration(t)),
            QX_STATEMENT(insertDeclaration(t, t, t, t)),
            QX_STATEMENT(insertArticle({t, t, "1", "0", t, "05,00", "01,0000", "05,00", "05,00"})),
            QX_STATEMENT(listingOfDeclaration(t)),
            QX_STATEMENT(outsideItems(t)),
            QX_STATEMENT(outsideSubItems(t, "5"))};
#undef QX_STATEMENT
}

// The program SQLite compiles a statement into, without its operands: two statements
// of the same shape compile to the same opcodes whatever their literals hold. Empty
// when the text is not exactly one statement.
QStringList opcodes(sqlite3* db, const QString& statement) {
    const QByteArray text = "EXPLAIN " + statement.toUtf8();
    sqlite3_stmt* st = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db, text.constData(), static_cast<int>(text.size()), &st, &tail) != SQLITE_OK)
        return {};
    QStringList ops;
    while (sqlite3_step(st) == SQLITE_ROW)
        ops << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
    sqlite3_finalize(st);
    return QByteArray(tail).trimmed().isEmpty() ? ops : QStringList();
}

QString hexOf(const QString& text) { return QString::fromLatin1(text.toUtf8().toHex().toUpper()); }

class Hostility : public FaultTest {
protected:
    void SetUp() override {
        FaultTest::SetUp();
        basGlobal().g_UbicacionBaseDatos = db.path();
        ASSERT_TRUE(clcancelMain().Conectar_DB());
    }
    static int execute(const Statement& statement) {
        basGlobal().conexionLocal().setSql(statement);
        return basGlobal().conexionLocal().Execute();
    }
    ScratchDatabase db;
};

} // namespace

TEST_F(Hostility, NoTextChangesTheShapeOfAStatement) {
    // The outside tables too, so their two reads compile here.
    db.exec("create table item (id integer, interno text); create table groupsubitems (interno text, id integer,"
            " idsub integer, idarticulo text, ncm text, cantidad real, preciounitario real, fob real)");
    sqlite3* handle = nullptr;
    ASSERT_EQ(sqlite3_open(db.path().toUtf8().constData(), &handle), SQLITE_OK);
    registerEngineFunctions(handle);
    const auto plain = statementsCarrying("plain");
    for (const auto& [name, text] : kHostile) {
        const auto hostile = statementsCarrying(text);
        for (std::size_t i = 0; i < plain.size(); ++i) {
            const QStringList expected = opcodes(handle, plain[i].second.text);
            ASSERT_FALSE(expected.isEmpty()) << plain[i].first;
            EXPECT_EQ(opcodes(handle, hostile[i].second.text), expected) << plain[i].first << " carrying " << name;
            // The form the engine runs carries no value in its text at all.
            EXPECT_EQ(hostile[i].second.shape, plain[i].second.shape) << plain[i].first << " carrying " << name;
        }
    }
    // A NUL ends the text form inside a literal; the form the engine runs carries it as a
    // value, so the library stores it whole.
    const QString nul = QStringLiteral("a") + QChar(u'\0') + 'b';
    for (const auto& [name, statement] : statementsCarrying(nul))
        EXPECT_TRUE(opcodes(handle, statement.text).isEmpty()) << name;
    sqlite3_close(handle);
    EXPECT_EQ(execute(insertDeclaration(nul, nul, nul, nul)), 1);
    EXPECT_EQ(queryFile(db.path(), "select hex(INTNDC), length(cast(INTNDC as blob)) from OPERACIONES"),
              QStringList{"610062|3"});
}

// The host's export declaration, a declaration code and the registration screen's
// fields: stored as given, shown and handed to the host as stored, and the host's
// deletion takes that cancellation only; the quantity field and the host's item refuse
// what is no number with their own message or error, the item keeping its value.
TEST_F(Hostility, RegistrationStoresShowsAndDeletesEveryTextAsGiven) {
    db.exec("insert into OPERACIONES values ('1', 'SURVIVOR', 'd', '2026-01-15');"
            "insert into ARTICULOS values ('A', 'SURVIVOR', 1, 0, 'N', 10, 1, 10, 9);"
            "insert into CANCELACIONES (LINORD, INTNDC, ARTINO, ARTSNO, ARTCDS, ARTEXP, ARTCER, ARTVEN, EXTNRO,"
            " EXTITM, EXTFDC) values (1, 'SURVIVOR', 1, 0, 1, '', '', '', 'EXP-1', 1, '2026-01-02 08:00:00')");
    clcancelMain host;
    host.Item("1");
    frmRelArt& screen = frmRelArt::instance();
    for (const auto& [name, text] : kHostile) {
        SCOPED_TRACE(name);
        const QString hex = hexOf(text);
        db.exec(QStringLiteral("insert into OPERACIONES values ('1', cast(x'%1' as text), 'd', '2026-01-15');"
                               "insert into ARTICULOS values ('A', cast(x'%1' as text), 1, 0, 'N', 10, 1, 10, 10)")
                    .arg(hex));
        host.Numero_Interno(text);
        EXPECT_THROW(host.Item(text), RuntimeError);
        EXPECT_EQ(basGlobal().g_Item, 1);
        basGlobal().g_INTNDC = text;
        basGlobal().g_ARTINO = 1;
        basGlobal().g_ARTSNO = 0;
        EXPECT_FALSE(pressF11(screen, {{"txtDescuento", text}}));
        EXPECT_EQ(takeBoxes(), QStringList{"48 Debe ingresar un valor numérico"});
        EXPECT_TRUE(pressF11(screen, {{"txtDescuento", "2"},
                                      {"txtARTEXP", text},
                                      {"txtARTCER", text},
                                      {"txtARTORD", text},
                                      {"txtARTVEN", text}}));
        EXPECT_EQ(takeBoxes(), QStringList());
        EXPECT_EQ(db.query("select hex(INTNDC), hex(ARTEXP), hex(ARTCER), hex(ARTVEN), hex(EXTNRO), "
                           "ARTORD is null and ARTCDS = 2 from CANCELACIONES where INTNDC != 'SURVIVOR'"),
                  QStringList(QStringList{hex, hex, hex, hex, hex, "1"}.join('|')));

        screen.showModeless(); // the article's next showing lists it
        QTreeWidget* list = screen.listView("ListView1");
        ASSERT_EQ(list->topLevelItemCount(), 1);
        EXPECT_EQ(list->topLevelItem(0)->text(0), text);
        screen.unload();
        RecordsetRef rs;
        ASSERT_TRUE(host.Obtener_Items(rs));
        for (const char* field : {"INTNDC", "ARTEXP", "ARTCER", "ARTVEN"})
            EXPECT_EQ(rs->Fields(field).toString(), text) << field;

        boxes.queueAnswer(vbYes);
        EXPECT_TRUE(host.Eliminar_Articulo(text, 1, 0));
        EXPECT_EQ(takeBoxes().size(), 1); // the question
        EXPECT_EQ(db.query("select INTNDC from CANCELACIONES"), QStringList{"SURVIVOR"});
        EXPECT_EQ(db.query("select ARTDSC from ARTICULOS where hex(INTNDC) = '" + hex + "'"), QStringList{"10.0"});
    }
    resetLibraryState();
    expectStockSound(db.path());
}

// The import screen's three fields: code and description stored as the boxes hold them
// and listed on the declarations screen; a date field holding no date refused with its
// message, and nothing written.
TEST_F(Hostility, ImportScreenStoresTheBoxesTextsOrRefusesTheDate) {
    const QString outside = db.dir() + "/outside.db";
    makeOutside(outside, "7001", 1, 1);
    basGlobal().g_NumeroInterno = "7001";
    basGlobal().g_BaseExterna = outsideConnection(outside);
    frmImportar& screen = frmImportar::instance();
    for (const auto& [name, text] : kHostile) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(pressF11(screen, {{"txtINTNDC", "REFUSED"}, {"txtINTDSC", text}, {"txtINTFOF", text}}));
        EXPECT_EQ(takeBoxes(), QStringList{"16 Fecha inválida en Fecha de Oficialización"});

        QString code, description;
        EXPECT_TRUE(
            pressF11(screen, {{"txtINTNDC", text}, {"txtINTDSC", text}, {"txtINTFOF", "05/12/2026"}}, [&](Form& form) {
                code = form.textBox("txtINTNDC")->text();
                description = form.textBox("txtINTDSC")->text();
            }));
        EXPECT_EQ(takeBoxes(), QStringList{"64 Despacho agregado en stock"});
        // The code box keeps the whole characters of its first 16 units: a character cut
        // in two by the limit goes.
        const bool cutInTwo = text.size() > 16 && text[15].isHighSurrogate();
        EXPECT_EQ(code, text.left(cutInTwo ? 15 : 16));
        EXPECT_EQ(countRows(db.path(), QStringLiteral("from OPERACIONES where hex(INTNDC) = '%1' and "
                                                      "hex(INTDSC) = '%2'")
                                           .arg(hexOf(code), hexOf(description))),
                  1);
        // Listed on the declarations screen as stored (the screen trims the description).
        frmDespachos& list = frmDespachos::instance();
        list.showModeless();
        const auto rows = list.listView("lstV")->findItems(code, Qt::MatchExactly, 0);
        ASSERT_EQ(rows.size(), 1);
        EXPECT_EQ(rows[0]->text(2), description.trimmed());
        list.unload();
    }
    EXPECT_EQ(countRows(db.path(), "from OPERACIONES where INTNDC = 'REFUSED'"), 0);
    resetLibraryState();
    expectStockSound(db.path());
}

// The database's location as the host gives it: odd characters in a real path open it;
// a location that names no stock database is refused with the connection's report.
TEST_F(Hostility, DatabaseLocationsOpenOrAreRefusedWithTheReport) {
    clcancelMain host;
    for (const char* name : {"it's", "ñandú 😀", "100%_x", "back\\slash", "  blanks  ", "-- drop"}) {
        SCOPED_TRACE(name);
        const QString path = db.dir() + '/' + QString::fromUtf8(name) + "/stock.db";
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        QString error;
        ASSERT_TRUE(createLocalDatabase(path, &error)) << error.toStdString();
        host.Ubicacion_Base_Datos(path);
        EXPECT_TRUE(host.Conectar_DB());
        EXPECT_EQ(execute(insertDeclaration("1", "D", "d", "05/12/2026")), 1);
        EXPECT_EQ(queryFile(path, "select INTNDC from OPERACIONES"), QStringList{"D"});
    }
    EXPECT_EQ(takeBoxes(), QStringList());
    for (const auto& [name, text] : kHostile) {
        SCOPED_TRACE(name);
        host.Ubicacion_Base_Datos(text);
        EXPECT_FALSE(host.Conectar_DB());
        const QStringList shown = takeBoxes();
        ASSERT_EQ(shown.size(), 1);
        EXPECT_TRUE(shown[0].startsWith("4112 ")) << shown[0].toStdString();
        EXPECT_TRUE(shown[0].endsWith("Sección [QuendarxDLL.clCancelMain.Conectar_DB]")) << shown[0].toStdString();
    }
}
