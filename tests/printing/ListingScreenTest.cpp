// The listing screen: what it prints on which printer, what it says when there is
// nothing to print or the printer fails, and the PDF written by "Archivo".
#include "platform/Clock.h"
#include "platform/FileDialogs.h"
#include "platform/Printers.h"
#include "platform/RuntimeError.h"
#include "printing/Listing.h"
#include "printing/frmImprimir.h"
#include "state/basGlobal.h"
#include "support/TestSupport.h"
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

using namespace quendarx;
using quendarx::test::RecordingMessageBoxes;

namespace {

// Printers that keep every page sent to them.
class RecordingPrinters : public Printers {
public:
    struct Page {
        QString printer, font;
        int size;
        QString text;
        bool busy; // the busy pointer was showing
    };

    QStringList deviceNames() const override {
        ++listed;
        return names;
    }
    QString currentDeviceName() const override { return current; }
    void setCurrent(const QString& name) override { current = name; }
    void beginDocument() override {
        if (failOnBegin)
            throw RuntimeError(482, QStringLiteral("Printer error"));
        ++documents;
        open = true;
    }
    void setFont(const QString& family, int pointSize) override {
        font = family;
        size = pointSize;
    }
    void print(const QString& text) override {
        if (failAtPage == static_cast<int>(pages.size()) + 1)
            throw RuntimeError(482, QStringLiteral("Printer error"), QStringLiteral("CUPS"));
        const QCursor* cursor = QGuiApplication::overrideCursor();
        pages.push_back({current, font, size, text, cursor && cursor->shape() == Qt::WaitCursor});
        font.clear();
        size = 0;
    }
    void endPage() override { ++pagesEnded; }
    void endDocument() override { open = false; }

    QStringList names{QStringLiteral("Oficina"), QStringLiteral("Deposito")};
    QString current = QStringLiteral("Oficina");
    std::vector<Page> pages;
    mutable int listed = 0;
    int documents = 0, pagesEnded = 0;
    bool open = false;
    bool failOnBegin = false;
    int failAtPage = 0;

private:
    QString font;
    int size = 0;
};

class RecordingFileDialogs : public FileDialogHandler {
public:
    QString getSaveFileName(QWidget*, const QString& caption, const QString& proposedName,
                            const QString& filter) override {
        asked << caption << proposedName << filter;
        return answer;
    }
    void fileWritten(const QString& path) override { written << path; }

    QString answer;
    QStringList asked, written;
};

QStringList linesOf(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QString& line : lines)
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
    return lines;
}

} // namespace

class ListingScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetLibraryState();
        LibraryState& g = basGlobal();
        g.g_NumeroInterno = QStringLiteral("EXP-001");
        clConexion& conexion = g.conexionLocal();
        conexion.setConnectionString(
            QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + db.path());
        conexion.Connect();
        Clock::pin(QDateTime(QDate(2026, 12, 5), QTime(10, 30, 0)));
        Printers::setInstance(&printers);
    }
    void TearDown() override {
        if (screen().isLoaded())
            screen().unload();
        Printers::setInstance(nullptr);
        resetLibraryState();
        Clock::release();
    }

    // count cancellations of export declaration extnro, spread over export items 1..items
    // in even blocks; returns them as the listing reads them.
    std::vector<ListingRow> cancellations(int count, int items = 1,
                                          const QString& extnro = QStringLiteral("EXP-001")) {
        QString sql;
        std::vector<ListingRow> rows;
        for (int i = 0; i < count; ++i) {
            const int item = 1 + i * items / count;
            const int artino = ++articles_;
            sql +=
                QStringLiteral("insert into ARTICULOS (ARTNRO,INTNDC,ARTINO,ARTSNO,ARTNCM,ARTCAN,"
                               "ARTUNI,ARTFOB,ARTDSC) values ('A', 'D-100', %1, 0, "
                               "'8471.30.00', 10, 1, 10, 8);")
                    .arg(artino);
            sql += QStringLiteral("insert into CANCELACIONES (LINORD,INTNDC,ARTINO,ARTSNO,ARTCDS,"
                                  "ARTEXP,ARTCER,ARTVEN,ARTORD,EXTNRO,EXTITM,EXTFDC) values (%1, "
                                  "'D-100', %1, 0, 2.5, 'EX-%1', 'CER-%1', '', %2, '%3', %4, "
                                  "'2026-01-02 08:00:00');")
                       .arg(artino)
                       .arg(i % 3 == 0 ? QStringLiteral("NULL") : QString::number(i % 10))
                       .arg(extnro)
                       .arg(item);
            ListingRow row;
            row.EXTITM = item;
            row.pINTNDC = QStringLiteral("D-100");
            row.ARTNCM = QStringLiteral("8471.30.00");
            row.pARTINO = QString::number(artino);
            row.pARTSNO = QStringLiteral("0");
            row.ARTCDS = 2.5;
            row.ARTEXP = QStringLiteral("EX-%1").arg(artino);
            row.ARTCER = QStringLiteral("CER-%1").arg(artino);
            row.ARTORD = i % 3 == 0 ? QString() : QString::number(i % 10);
            rows.push_back(row);
        }
        db.exec(QStringLiteral("begin;") + sql + QStringLiteral("commit;"));
        return rows;
    }

    static frmImprimir& screen() { return frmImprimir::instance(); }
    void open() {
        screen().showModeless();
        ASSERT_TRUE(screen().isLoaded());
    }
    static void click(const char* button) { screen().button(QString::fromLatin1(button))->click(); }
    static QProgressBar* bar() { return screen().progressBar(QStringLiteral("Pb")); }
    QStringList printedTexts() const {
        QStringList texts;
        for (const auto& page : printers.pages)
            texts << page.text;
        return texts;
    }
    static ListingHeader header() {
        return {QStringLiteral("sábado, 5 de diciembre de 2026"), QStringLiteral("EXP-001")};
    }

    test::ScratchDatabase db;
    ScopedLocale locale{test::esAR()};
    RecordingMessageBoxes boxes;
    RecordingPrinters printers;
    int articles_ = 0;
};

TEST_F(ListingScreenTest, ShowsTheExportDeclarationAndClosesOnEscapeFromAnyControl) {
    open();
    EXPECT_EQ(screen().window()->windowTitle(), QStringLiteral("Listados"));
    EXPECT_EQ(screen().label(QStringLiteral("Label1"))->text(), QStringLiteral("Listados"));
    EXPECT_EQ(screen().label(QStringLiteral("lbInterno"))->text(), QStringLiteral("EXP-001"));
    EXPECT_EQ(screen().label(QStringLiteral("Label2"))->text(),
              QStringLiteral("Imprime todos los articulos cancelados en este pre-despacho."));
    EXPECT_EQ(screen().label(QStringLiteral("Label4"))->text(), QStringLiteral("Salida"));
    EXPECT_EQ(screen().button(QStringLiteral("cmdImprimir"))->text(), QStringLiteral("Impresora"));
    EXPECT_EQ(screen().button(QStringLiteral("Command2"))->text(), QStringLiteral("Archivo"));
    EXPECT_EQ(screen().label(QStringLiteral("Label3"))->text(), QStringLiteral("ESC [Salir]"));
    // "Impresora" above "Archivo".
    EXPECT_LT(screen().button(QStringLiteral("cmdImprimir"))->y(),
              screen().button(QStringLiteral("Command2"))->y());
    EXPECT_EQ(screen().window()->focusWidget(), screen().button(QStringLiteral("cmdImprimir")));

    QWidget* archivo = screen().button(QStringLiteral("Command2"));
    archivo->setFocus();
    QTest::keyClick(archivo, Qt::Key_Escape);
    EXPECT_FALSE(screen().isLoaded());
    EXPECT_TRUE(printers.pages.empty());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ListingScreenTest, WithoutCancellationsOfTheDeclarationNothingIsPrintedOrWritten) {
    cancellations(3, 1, QStringLiteral("EXP-002"));
    RecordingFileDialogs dialogs;
    ScopedFileDialogHandler dialogScope(&dialogs);
    open();
    click("cmdImprimir");
    click("Command2");
    ASSERT_EQ(boxes.shown.size(), 2u);
    for (const auto& box : boxes.shown) {
        EXPECT_EQ(box.style, vbCritical);
        EXPECT_EQ(box.text, QStringLiteral("No se encontraron articulos descontados"));
    }
    EXPECT_TRUE(printers.pages.empty());
    EXPECT_EQ(printers.documents, 0);
    EXPECT_TRUE(dialogs.asked.isEmpty());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(screen().isLoaded());
}

TEST_F(ListingScreenTest, FiftyOneCancellationsPrintTwoPagesInOneDocument) {
    const std::vector<ListingRow> rows = cancellations(51);
    basGlobal().g_LineasPorPagina = 7;
    open();
    click("cmdImprimir");

    EXPECT_EQ(basGlobal().g_LineasPorPagina, 50);
    ASSERT_EQ(printers.pages.size(), 2u);
    EXPECT_EQ(printedTexts(), listingPages(rows, header()));
    for (const auto& page : printers.pages) {
        EXPECT_EQ(page.printer, QStringLiteral("Oficina"));
        EXPECT_EQ(page.font, QStringLiteral("Courier New"));
        EXPECT_EQ(page.size, 10);
        EXPECT_TRUE(page.busy);
    }
    const QStringList first = linesOf(printers.pages[0].text);
    EXPECT_EQ(first[3], QStringLiteral("  FECHA: sábado, 5 de diciembre de 2026"));
    EXPECT_EQ(first[4], QStringLiteral("INTERNO: EXP-001"));
    EXPECT_EQ(first[7], QStringLiteral("Pagina 0001 de 0002"));
    // The first row: null order number, quantity in the regional format.
    EXPECT_EQ(first[11], QStringLiteral(" 001            D-100      8471.30.00  001  000     02,50"
                                        "          EX-1            CER-1"));
    EXPECT_EQ(linesOf(printers.pages[1].text).size(), 5);
    EXPECT_EQ(printers.documents, 1);
    EXPECT_EQ(printers.pagesEnded, 2);
    EXPECT_FALSE(printers.open);

    EXPECT_EQ(bar()->minimum(), 0);
    EXPECT_EQ(bar()->maximum(), 2);
    EXPECT_EQ(bar()->value(), 2);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].style, vbInformation);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Listo"));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(screen().isLoaded());

    // Each press runs the whole listing again.
    click("cmdImprimir");
    EXPECT_EQ(printers.pages.size(), 4u);
}

TEST_F(ListingScreenTest, ThePrinterIsChosenByItsExactDeviceName) {
    cancellations(2);
    struct Case {
        QString wanted;
        QString printedOn;
        int lookups;
    };
    const Case cases[] = {
        {QString(), QStringLiteral("Oficina"), 0},
        {QStringLiteral("Bodega"), QStringLiteral("Oficina"), 1},
        {QStringLiteral("deposito"), QStringLiteral("Oficina"), 1},
        {QStringLiteral("Deposito"), QStringLiteral("Deposito"), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.wanted.toStdString());
        printers.current = QStringLiteral("Oficina");
        printers.pages.clear();
        printers.listed = 0;
        basGlobal().g_NombreImpresora = c.wanted;
        open();
        click("cmdImprimir");
        ASSERT_EQ(printers.pages.size(), 1u);
        EXPECT_EQ(printers.pages[0].printer, c.printedOn);
        EXPECT_EQ(printers.current, c.printedOn); // the chosen printer stays current
        EXPECT_EQ(printers.listed, c.lookups);
        screen().unload();
    }
    EXPECT_TRUE(boxes.shown.size() == 4u && boxes.shown.back().text == QStringLiteral("Listo"));
}

TEST_F(ListingScreenTest, APrinterFailureIsReportedAndStopsTheListing) {
    cancellations(120);
    open();
    printers.failOnBegin = true;
    click("cmdImprimir");
    printers.failOnBegin = false;
    printers.failAtPage = 2;
    click("cmdImprimir");

    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].style, vbCritical);
    EXPECT_EQ(
        boxes.shown[0].text,
        QStringLiteral(
            "482 - Printer error\r\n\r\nSeccion [QuendarxDLL.frmImprimir.lpImprimir]:Quendarx"));
    EXPECT_EQ(boxes.shown[1].text,
              QStringLiteral(
                  "482 - Printer error\r\n\r\nSeccion [QuendarxDLL.frmImprimir.lpImprimir]:CUPS"));
    // The page printed before the failure stays printed; the document is closed.
    ASSERT_EQ(printers.pages.size(), 1u);
    EXPECT_TRUE(printers.pages[0].text.contains(QStringLiteral("Pagina 0001 de 0003")));
    EXPECT_FALSE(printers.open);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(ListingScreenTest, AValueThatCannotBeReadStopsTheListingOnItsPage) {
    cancellations(60);
    db.exec(QStringLiteral("update CANCELACIONES set ARTCDS = 'mucho' where ARTINO = 55"));
    open();
    click("cmdImprimir");
    ASSERT_EQ(printers.pages.size(), 1u);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(
        boxes.shown[0].text.startsWith(QStringLiteral("13 - Type mismatch\r\n\r\nSeccion [")));
}

TEST_F(ListingScreenTest, EscapeDuringTheListingClosesTheScreenOnceItHasEnded) {
    cancellations(51);
    open();
    QWidget* focused = screen().window()->focusWidget();
    QCoreApplication::postEvent(focused,
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    click("cmdImprimir");
    EXPECT_EQ(printers.pages.size(), 2u);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Listo"));
    EXPECT_FALSE(screen().isLoaded());
}

TEST_F(ListingScreenTest, ArchivoWritesTheSamePagesAsAPdf) {
    cancellations(130, 3);
    RecordingFileDialogs dialogs;
    ScopedFileDialogHandler dialogScope(&dialogs);
    dialogs.answer = db.dir() + QStringLiteral("/listado.pdf");
    open();
    click("Command2");
    ASSERT_EQ(dialogs.asked.size(), 3);
    EXPECT_EQ(dialogs.asked[1], QStringLiteral("cancelaciones-EXP-001.pdf"));
    EXPECT_TRUE(dialogs.asked[2].contains(QStringLiteral("*.pdf")));
    EXPECT_EQ(dialogs.written, QStringList{dialogs.answer});
    ASSERT_TRUE(QFile::exists(dialogs.answer));
    EXPECT_TRUE(printers.pages.empty());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].style, vbInformation);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Listo"));
    EXPECT_EQ(bar()->value(), bar()->maximum());

    click("cmdImprimir");
    ASSERT_EQ(printers.pages.size(), 3u);

    // The sheets read back as text in physical layout at a fixed pitch (plain layout mode
    // guesses the width of the gaps between words). The face advances 0.6001 em, 6.001
    // points at 10 points; reading at 6.02 keeps every glyph clear of a column boundary.
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"),
                    {QStringLiteral("-layout"), QStringLiteral("-fixed"), QStringLiteral("6.02"),
                     dialogs.answer, QStringLiteral("-")});
    ASSERT_TRUE(pdftotext.waitForFinished(30000));
    ASSERT_EQ(pdftotext.exitCode(), 0) << pdftotext.readAllStandardError().toStdString();
    QStringList sheets =
        QString::fromUtf8(pdftotext.readAllStandardOutput()).split(QLatin1Char('\f'));
    if (!sheets.isEmpty() && sheets.last().trimmed().isEmpty())
        sheets.removeLast();
    ASSERT_EQ(sheets.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QStringList lines = linesOf(sheets[i]);
        // The left margin comes out as blanks before every line: the first line of a
        // sheet starts the listing's lines.
        ASSERT_FALSE(lines.isEmpty());
        const qsizetype margin = lines[0].size() - lines[0].trimmed().size();
        for (QString& line : lines)
            line.remove(0, std::min(margin, line.size()));
        const QStringList printed = linesOf(printers.pages[static_cast<std::size_t>(i)].text);
        EXPECT_EQ(lines.size(), printed.size()) << "sheet " << i + 1;
        for (qsizetype l = 0; l < std::min(lines.size(), printed.size()); ++l)
            EXPECT_EQ(lines[l], printed[l]) << "sheet " << i + 1 << ", line " << l + 1;
    }
}

TEST_F(ListingScreenTest, ArchivoCancelledOrUnwritableWritesNothing) {
    cancellations(5);
    RecordingFileDialogs dialogs;
    ScopedFileDialogHandler dialogScope(&dialogs);
    open();
    click("Command2"); // cancelled: "" comes back
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(dialogs.written.isEmpty());

    dialogs.answer = db.dir() + QStringLiteral("/no-such-folder/listado.pdf");
    click("Command2");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].style, vbCritical);
    EXPECT_EQ(
        boxes.shown[0].text,
        QStringLiteral(
            "75 - Path/File access error\r\n\r\nSeccion [QuendarxDLL.frmImprimir.lpArchivo]:") +
            dialogs.answer);
    EXPECT_TRUE(dialogs.written.isEmpty());
    EXPECT_FALSE(QFile::exists(dialogs.answer));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}
