// Texts no clerk should type, and a host should not pass, but some will: quotes,
// backslashes, LIKE wildcards, control characters, accents, emoji, 10,000 characters,
// SQL fragments. Every statement keeps its shape whatever text it carries; the texts are
// stored and read back exactly, or (a NUL character, which no statement can carry) the
// statement is refused as a whole and writes nothing.
#include "FaultSupport.h"
#include "automation/clcancelMain.h"
#include "cancellations/frmRelArt.h"
#include "data/Schema.h"
#include "data/Statements.h"
#include "platform/RuntimeError.h"
#include "state/basGlobal.h"
#include "stock/frmDespachos.h"
#include "stock/frmImportar.h"
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>
#include <sqlite3.h>

using namespace quendarx;
using namespace quendarx::sql;
using namespace quendarx::test;

namespace {

struct Hostile {
    const char* name;
    QString text;
};

const std::vector<Hostile>& hostileTexts() {
    static const std::vector<Hostile> texts{
        {"single quote", QStringLiteral("O'Brien")},
        {"two quotes", QStringLiteral("''")},
        {"closing quote and statement", QStringLiteral("'; drop table ARTICULOS; --")},
        {"backslash before quote", QStringLiteral("\\' or 1=1 --")},
        {"backslashes", QStringLiteral("C:\\temp\\x\\")},
        {"LIKE wildcards", QStringLiteral("100%_x%")},
        {"printf patterns", QStringLiteral("%s%n%d%1%%")},
        {"control characters", QStringLiteral("tab\there\nline\r\x01\x1b[0m\x7f")},
        {"accents", QStringLiteral("ÁÉÍÓÚ ñÑ üÜ ¿¡ çã")},
        {"emoji", QStringLiteral("😀👍🏽 envío 🇦🇷")},
        {"double quotes", QStringLiteral("\"x\" \"")},
        {"concatenated subquery", QStringLiteral("x' || (select count(*) from OPERACIONES) || '")},
        {"attach", QStringLiteral("'; attach database '/tmp/x.db' as y; --")},
        {"comment opener", QStringLiteral("/* x")},
        {"blank edges", QStringLiteral("  padded  ")},
        {"10,000 characters", QString(9999, QLatin1Char('z')) + QLatin1Char('\'')},
    };
    return texts;
}

const QString kNul = QStringLiteral("a") + QChar(u'\0') + QStringLiteral("b");

// Every statement builder with each of its text values set to t.
std::vector<std::pair<const char*, QString>> statementsCarrying(const QString& t) {
    const ArticleKey a{t, 1, 0};
    const ExportItem e{t, 1};
    return {
        {"deleteCancellation", deleteCancellation(a, e)},
        {"sumCancelled", sumCancelled(a)},
        {"updateAvailable", updateAvailable(a, QStringLiteral("12,35"))},
        {"cancellationsOfItem", cancellationsOfItem(e)},
        {"cancellationsWithArticles", cancellationsWithArticles(e)},
        {"deleteDeclarationCancellations", deleteDeclarationCancellations(t)},
        {"deleteDeclarationArticles", deleteDeclarationArticles(t)},
        {"deleteDeclaration", deleteDeclaration(t)},
        {"articlesOfDeclaration", articlesOfDeclaration(t)},
        {"article", article(a)},
        {"cancellationsOfArticle", cancellationsOfArticle(a)},
        {"countCancellation", countCancellation(a, e)},
        {"maxLineOrder", maxLineOrder(e)},
        {"insertCancellation", insertCancellation({QStringLiteral("1"), t, QStringLiteral("1"), QStringLiteral("0"),
                                                   QStringLiteral("01,00"), t, t, t, t, t, QStringLiteral("1"), t})},
        {"availableOfArticle", availableOfArticle(a)},
        {"cancellation", cancellation(a, e)},
        {"updateCancellation", updateCancellation(a, e, {QStringLiteral("01,00"), t, t, t, t, t})},
        {"countDeclaration", countDeclaration(t)},
        {"insertDeclaration", insertDeclaration(t, t, t, t)},
        {"insertArticle", insertArticle({t, t, QStringLiteral("1"), QStringLiteral("0"), t, QStringLiteral("05,00"),
                                         QStringLiteral("01,0000"), QStringLiteral("05,00"), QStringLiteral("05,00")})},
        {"listingOfDeclaration", listingOfDeclaration(t)},
        {"outsideItems", outsideItems(t)},
        {"outsideSubItems", outsideSubItems(t, QStringLiteral("5"))},
    };
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
    const bool whole = tail == text.constData() + text.size() || QByteArray(tail).trimmed().isEmpty();
    QStringList ops;
    while (sqlite3_step(st) == SQLITE_ROW)
        ops << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
    sqlite3_finalize(st);
    return whole ? ops : QStringList();
}

class Hostility : public ::testing::Test {
protected:
    void SetUp() override {
        resetLibraryState();
        // The outside tables too, so their two reads compile here.
        execFile(db.path(), QStringLiteral("create table item (id integer, interno text);"
                                           "create table groupsubitems (interno text, id integer, idsub integer,"
                                           " idarticulo text, ncm text, cantidad real, preciounitario real, fob real)"));
        basGlobal().g_UbicacionBaseDatos = db.path();
        ASSERT_TRUE(clcancelMain().Conectar_DB());
    }
    void TearDown() override {
        for (Form* screen : {static_cast<Form*>(&frmRelArt::instance()), static_cast<Form*>(&frmImportar::instance()),
                             static_cast<Form*>(&frmDespachos::instance())})
            if (screen->isLoaded())
                screen->unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        resetLibraryState();
    }

    int execute(const QString& statement) {
        clConexion& c = basGlobal().conexionLocal();
        c.setSql(statement);
        return c.Execute();
    }
    QVariant field(const QString& statement, const char* name) {
        clConexion& c = basGlobal().conexionLocal();
        c.setSql(statement);
        Recordset rs;
        if (!c.GetRecordset(rs))
            return QStringLiteral("<no row>");
        return rs.Fields(QLatin1String(name));
    }
    // Declaration `code` with its article 1/0 and one cancellation of it against export
    // item exportNumber/1, the cancellation's texts all `texts`.
    void addCancelled(const QString& code, const QString& date, int line, const QString& texts,
                      const QString& exportNumber) {
        ASSERT_EQ(execute(insertDeclaration(code, code, code, date)), 1);
        ASSERT_EQ(execute(insertArticle({code, code, QStringLiteral("1"), QStringLiteral("0"), code, QStringLiteral("05,00"),
                                         QStringLiteral("01,0000"), QStringLiteral("05,00"), QStringLiteral("05,00")})),
                  1);
        ASSERT_EQ(execute(insertCancellation({QString::number(line), code, QStringLiteral("1"), QStringLiteral("0"),
                                              QStringLiteral("01,00"), texts, texts, texts, {}, exportNumber,
                                              QStringLiteral("1"), kNow})),
                  1);
    }
    const QString kNow = QStringLiteral("05/12/2026 10:30:00");

    ScopedLocale locale{esAR()};
    LogFile log;
    RecordingMessageBoxes boxes;
    ScratchDatabase db;
};

} // namespace

TEST_F(Hostility, NoTextChangesTheShapeOfAStatement) {
    sqlite3* handle = nullptr;
    ASSERT_EQ(sqlite3_open(db.path().toUtf8().constData(), &handle), SQLITE_OK);
    registerEngineFunctions(handle);
    const auto plain = statementsCarrying(QStringLiteral("plain"));
    for (const Hostile& h : hostileTexts()) {
        const auto hostile = statementsCarrying(h.text);
        for (std::size_t i = 0; i < plain.size(); ++i) {
            const QStringList expected = opcodes(handle, plain[i].second);
            ASSERT_FALSE(expected.isEmpty()) << plain[i].first;
            EXPECT_EQ(opcodes(handle, hostile[i].second), expected) << plain[i].first << " carrying " << h.name;
        }
    }
    // A NUL ends the statement's text inside a literal: the engine refuses it whole.
    for (const auto& [name, statement] : statementsCarrying(kNul))
        EXPECT_TRUE(opcodes(handle, statement).isEmpty()) << name;
    sqlite3_close(handle);
    // So the library's insert is refused whole, with the engine's reason logged.
    EXPECT_EQ(execute(insertDeclaration(kNul, kNul, kNul, kNul)), 0);
    EXPECT_EQ(countRows(db.path(), QStringLiteral("from OPERACIONES")), 0);
    EXPECT_TRUE(log.text().contains(QLatin1String("unrecognized token"))) << log.text().toStdString();
}

// The registration screen's fields and the host's export declaration: stored as typed,
// shown as stored; the quantity field refuses what is no number with its own message.
TEST_F(Hostility, RegistrationScreenStoresAndShowsEveryTextAsTyped) {
    execFile(db.path(), QStringLiteral("insert into OPERACIONES values ('1', 'D-1', 'd', '2026-01-15')"));
    int artino = 0;
    for (const Hostile& h : hostileTexts()) {
        SCOPED_TRACE(h.name);
        ++artino;
        execFile(db.path(), QStringLiteral("insert into ARTICULOS values ('A', 'D-1', %1, 0, 'N', 10, 1, 10, 10)").arg(artino));
        clcancelMain host;
        host.Numero_Interno(h.text);
        ASSERT_NO_THROW(host.Item(QStringLiteral("1")));
        LibraryState& g = basGlobal();
        g.g_INTNDC = QStringLiteral("D-1");
        g.g_ARTINO = artino;
        g.g_ARTSNO = 0;
        frmRelArt& screen = frmRelArt::instance();

        // First the quantity field itself.
        screen.showModeless();
        QLineEdit* quantity = screen.textBox(QStringLiteral("txtDescuento"));
        quantity->setText(h.text);
        QTest::keyClick(quantity, Qt::Key_F11);
        EXPECT_EQ(shownBoxes(boxes), QStringList{QStringLiteral("48 Debe ingresar un valor numérico")});
        ASSERT_TRUE(screen.isLoaded());
        quantity->setText(QStringLiteral("2"));
        for (const char* box : {"txtARTEXP", "txtARTCER", "txtARTORD", "txtARTVEN"})
            screen.textBox(QLatin1String(box))->setText(h.text);
        QTest::keyClick(quantity, Qt::Key_F11);
        EXPECT_EQ(shownBoxes(boxes), QStringList());
        EXPECT_FALSE(screen.isLoaded());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const QString hex = QString::fromLatin1(h.text.toUtf8().toHex().toUpper());
        const QString stored = QStringList{hex, hex, hex, hex, QStringLiteral("1")}.join(QLatin1Char('|'));
        EXPECT_EQ(queryFile(db.path(), QStringLiteral("select hex(ARTEXP), hex(ARTCER), hex(ARTVEN), hex(EXTNRO), "
                                                      "ARTORD is null and ARTCDS = 2 from CANCELACIONES where ARTINO = %1")
                                           .arg(artino)),
                  QStringList{stored});

        // Shown again on the article's next showing, as stored.
        screen.showModeless();
        QTreeWidget* list = screen.listView(QStringLiteral("ListView1"));
        ASSERT_EQ(list->topLevelItemCount(), 1);
        EXPECT_EQ(list->topLevelItem(0)->text(0), h.text);
        screen.unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        // The host reads it back through its record set.
        RecordsetRef rs;
        ASSERT_TRUE(host.Obtener_Items(rs));
        ASSERT_TRUE(rs);
        EXPECT_EQ(rs->Fields(QStringLiteral("ARTEXP")).toString(), h.text);
    }
}

// A host argument that must be a number is refused with its error, the state unchanged.
TEST_F(Hostility, ItemArgumentRefusesEveryText) {
    clcancelMain host;
    host.Item(QStringLiteral("7"));
    for (const Hostile& h : hostileTexts()) {
        EXPECT_THROW(host.Item(h.text), RuntimeError) << h.name;
        EXPECT_EQ(basGlobal().g_Item, 7) << h.name;
    }
}

// The import screen's three fields: code and description stored as the box holds them
// and listed on the declarations screen; a date field holding no date refused with its
// message, and nothing written.
TEST_F(Hostility, ImportScreenStoresTheBoxesTextsOrRefusesTheDate) {
    const QString outside = db.dir() + QStringLiteral("/outside.db");
    makeOutside(outside, QStringLiteral("7001"), 1, 1);
    LibraryState& g = basGlobal();
    g.g_NumeroInterno = QStringLiteral("7001");
    g.g_BaseExterna = outsideConnection(outside);
    int n = 0;
    for (const Hostile& h : hostileTexts()) {
        SCOPED_TRACE(h.name);
        frmImportar& screen = frmImportar::instance();
        auto save = [&](const QString& code, const QString& description, const QString& date) {
            screen.showModeless();
            QLineEdit* boxCode = screen.textBox(QStringLiteral("txtINTNDC"));
            QLineEdit* boxDescription = screen.textBox(QStringLiteral("txtINTDSC"));
            boxCode->setText(code);
            boxDescription->setText(description);
            screen.textBox(QStringLiteral("txtINTFOF"))->setText(date);
            const QStringList held{boxCode->text(), boxDescription->text()};
            QTest::keyClick(boxCode, Qt::Key_F11);
            if (screen.isLoaded())
                screen.unload();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return held;
        };
        const int before = countRows(db.path(), QStringLiteral("from OPERACIONES"));
        save(QStringLiteral("OK-%1").arg(++n), h.text, h.text);
        EXPECT_EQ(shownBoxes(boxes), QStringList{QStringLiteral("16 Fecha inválida en Fecha de Oficialización")});
        EXPECT_EQ(countRows(db.path(), QStringLiteral("from OPERACIONES")), before);

        // The code box keeps the whole characters of its first 16 units: a character cut
        // in two by the limit goes.
        QString code = h.text.left(16);
        if (code.size() == 16 && code.back().isHighSurrogate())
            code.chop(1);
        const QStringList held = save(h.text, h.text, QStringLiteral("05/12/2026"));
        EXPECT_EQ(held[0], code);
        EXPECT_EQ(shownBoxes(boxes), QStringList{QStringLiteral("64 Despacho agregado en stock")});
        // Listed on the declarations screen as stored (the screen trims the description).
        frmDespachos& list = frmDespachos::instance();
        list.showModeless();
        QTreeWidget* rows = list.listView(QStringLiteral("lstV"));
        bool found = false;
        for (int i = 0; i < rows->topLevelItemCount(); ++i)
            if (rows->topLevelItem(i)->text(0) == held[0]) {
                found = true;
                EXPECT_EQ(rows->topLevelItem(i)->text(2), held[1].trimmed());
            }
        EXPECT_TRUE(found) << "the declaration is not listed";
        list.unload();
        // Deleting it takes exactly its rows.
        const int articles = countRows(db.path(), QStringLiteral("from ARTICULOS"));
        EXPECT_EQ(execute(deleteDeclarationArticles(held[0])), 1);
        EXPECT_EQ(execute(deleteDeclaration(held[0])), 1);
        EXPECT_EQ(countRows(db.path(), QStringLiteral("from ARTICULOS")), articles - 1);
    }
    expectStockSound(db.path());
}

// The host names the article whose cancellation goes: only that one goes, whatever its
// code holds.
TEST_F(Hostility, DeletingACancellationTakesExactlyTheArticleNamed) {
    clcancelMain host;
    host.Numero_Interno(QStringLiteral("EXP-1"));
    host.Item(QStringLiteral("1"));
    int line = 0;
    const QString date = QStringLiteral("05/12/2026"), exportNumber = QStringLiteral("EXP-1");
    addCancelled(QStringLiteral("SURVIVOR"), date, ++line, {}, exportNumber);
    for (const Hostile& h : hostileTexts()) {
        SCOPED_TRACE(h.name);
        addCancelled(h.text, date, ++line, {}, exportNumber);
        boxes.queueAnswer(vbYes);
        EXPECT_TRUE(host.Eliminar_Articulo(h.text, 1, 0));
        EXPECT_EQ(field(cancellationsOfArticle({h.text, 1, 0}), "EXTNRO").toString(), QStringLiteral("<no row>"));
        EXPECT_EQ(field(article({h.text, 1, 0}), "ARTDSC").toDouble(), 5.0);
        EXPECT_EQ(field(cancellationsOfArticle({QStringLiteral("SURVIVOR"), 1, 0}), "EXTNRO").toString(),
                  QStringLiteral("EXP-1"));
    }
}

// The database's location as the host gives it: odd characters in a real path open it;
// a location that names no stock database is refused with the connection's report.
TEST_F(Hostility, DatabaseLocationsOpenOrAreRefusedWithTheReport) {
    for (const char* name : {"it's", "ñandú 😀", "100%_x", "back\\slash", "  blanks  ", "-- drop"}) {
        SCOPED_TRACE(name);
        const QString folder = db.dir() + QLatin1Char('/') + QString::fromUtf8(name);
        ASSERT_TRUE(QDir().mkpath(folder));
        const QString path = folder + QStringLiteral("/stock.db");
        QString error;
        ASSERT_TRUE(createLocalDatabase(path, &error)) << error.toStdString();
        clcancelMain host;
        host.Ubicacion_Base_Datos(path);
        EXPECT_TRUE(host.Conectar_DB());
        EXPECT_EQ(shownBoxes(boxes), QStringList());
        EXPECT_EQ(execute(insertDeclaration(QStringLiteral("1"), QStringLiteral("D"), QStringLiteral("d"),
                                            QStringLiteral("05/12/2026"))),
                  1);
        EXPECT_EQ(queryFile(path, QStringLiteral("select INTNDC from OPERACIONES")), QStringList{QStringLiteral("D")});
    }
    for (const Hostile& h : hostileTexts()) {
        SCOPED_TRACE(h.name);
        boxes.shown.clear();
        clcancelMain host;
        host.Ubicacion_Base_Datos(h.text);
        EXPECT_FALSE(host.Conectar_DB());
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown.front().style, vbCritical + vbSystemModal);
        EXPECT_TRUE(boxes.shown.front().text.endsWith(QStringLiteral("Sección [QuendarxDLL.clCancelMain.Conectar_DB]")))
            << boxes.shown.front().text.toStdString();
    }
}
