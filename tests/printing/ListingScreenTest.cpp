// The listing screen: a printer that fails part-way, "Archivo" writing the same pages as
// a PDF (read back as text), and the real save dialog.
#include "platform/FileDialogs.h"
#include "platform/Printers.h"
#include "platform/QtTexts.h"
#include "platform/RuntimeError.h"
#include "printing/frmImprimir.h"
#include "support/Steps.h"
#include "support/StockTest.h"
#include <QAbstractProxyModel>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>

using namespace quendarx;

namespace {

// Printers that keep the pages sent to them and can fail on begin (failAt 0) or on a page.
class FakePrinters : public Printers {
public:
    QStringList deviceNames() const override { return {QStringLiteral("Oficina"), QStringLiteral("Oficina 2")}; }
    QString currentDeviceName() const override { return current; }
    void setCurrent(const QString& name) override { current = name; }
    void beginDocument() override {
        if (failAt == 0)
            throw RuntimeError(StandardError::PrinterError);
        open = true;
    }
    void setFont(const QString&, int) override {}
    void print(const QString& text) override {
        if (failAt == pages.size() + 1)
            throw RuntimeError(StandardError::PrinterError, {}, QStringLiteral("CUPS"));
        pages << text;
    }
    void endPage() override {}
    void endDocument() override { open = false; }

    QString current;
    QStringList pages;
    bool open = false;
    qsizetype failAt = -1;
};

class SaveAs : public FileDialogHandler {
public:
    QString getSaveFileName(QWidget*, const QString&, const QString& proposed, const QString&) override {
        this->proposed = proposed;
        return path;
    }
    QString path, proposed;
};

// A text's lines without the blanks around them (the PDF's margin) or after the last.
QStringList linesOf(const QString& text) {
    QStringList lines;
    for (const QString& line : QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).split(u'\n'))
        lines << line.trimmed();
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

class ListingScreenTest : public test::StockTest {
protected:
    void SetUp() override {
        StockTest::SetUp();
        Printers::setInstance(&printers);
    }
    void TearDown() override {
        if (screen().isLoaded())
            screen().unload();
        Printers::setInstance(nullptr);
        StockTest::TearDown();
    }
    // count cancellations of EXP-1 spread over export items 1..items in even blocks.
    void cancellations(int count, int items) {
        const QString n =
            QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < %1) ").arg(count);
        db.exec(n + "insert into ARTICULOS select 'A', 'D-100', i, 0, '8471.30.00', 10, 1, 10, 8 from n;" + n +
                QStringLiteral("insert into CANCELACIONES select i, 'D-100', i, 0, 2.5, 'EX-' || i, 'CER-' || i, '', "
                               "case when i % 3 = 0 then null else i % 10 end, 'EXP-1', 1 + (i - 1) * %1 / %2, "
                               "'2026-01-02 08:00:00' from n")
                    .arg(items)
                    .arg(count));
    }
    static frmImprimir& screen() { return frmImprimir::instance(); }
    static void click(const char* button) { screen().button(QString::fromLatin1(button))->click(); }

    FakePrinters printers;
};

TEST_F(ListingScreenTest, APrinterFailureIsReportedAndStopsTheListing) {
    cancellations(120, 1);
    screen().showModeless();
    printers.failAt = 0;
    click("cmdImprimir");
    printers.failAt = 2;
    click("cmdImprimir");
    EXPECT_EQ(boxes.texts(),
              QStringList({"16 482 - Error de impresora\r\n\r\nSeccion [QuendarxDLL.frmImprimir.lpImprimir]:Quendarx",
                           "16 482 - Error de impresora\r\n\r\nSeccion [QuendarxDLL.frmImprimir.lpImprimir]:CUPS"}));
    // The page printed before the failure stays printed; the document is closed.
    ASSERT_EQ(printers.pages.size(), 1);
    EXPECT_TRUE(printers.pages[0].contains(QStringLiteral("Pagina 0001 de 0003")));
    EXPECT_FALSE(printers.open);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(screen().isLoaded());
}

TEST_F(ListingScreenTest, ArchivoWritesTheSamePagesAsAPdf) {
    cancellations(130, 3);
    SaveAs dialog;
    ScopedFileDialogHandler dialogScope(&dialog);
    dialog.path = db.dir() + QStringLiteral("/listado.pdf");
    screen().showModeless();
    click("Command2");
    EXPECT_EQ(dialog.proposed, QStringLiteral("cancelaciones-EXP-1.pdf"));
    EXPECT_EQ(boxes.texts(), QStringList{"64 Listo\r\n\r\nEl listado quedó guardado en:\r\n" + dialog.path});
    basGlobal().g_NombreImpresora = QStringLiteral("Oficina 2"); // the whole name, not its start
    click("cmdImprimir");
    EXPECT_EQ(printers.current, "Oficina 2");
    ASSERT_EQ(printers.pages.size(), 3);

    // Read back at a fixed pitch: the face advances 6.001 points at 10 points; 6.02 keeps
    // every glyph clear of a column boundary.
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QStringLiteral("-fixed"),
                                                  QStringLiteral("6.02"), dialog.path, QStringLiteral("-")});
    ASSERT_TRUE(pdftotext.waitForFinished(30000));
    ASSERT_EQ(pdftotext.exitCode(), 0) << pdftotext.readAllStandardError().toStdString();
    const QStringList sheets = QString::fromUtf8(pdftotext.readAllStandardOutput()).split(u'\f');
    ASSERT_EQ(sheets.size(), 4); // the last sheet ends with a form feed too
    EXPECT_TRUE(sheets[3].trimmed().isEmpty());
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(linesOf(sheets[i]), linesOf(printers.pages[i])) << "sheet " << i + 1;
}

QFileDialog* saveDialog() { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()); }

void typeAndAccept(const QString& name) {
    saveDialog()->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(name);
    static_cast<QDialog*>(saveDialog())->accept();
}

QString cell(const QString& path, int column) {
    const QAbstractProxyModel* shown = saveDialog()->proxyModel();
    const QModelIndex index = qobject_cast<QFileSystemModel*>(shown->sourceModel())->index(path, column);
    return shown->mapFromSource(index).data().toString();
}

// The real save dialog in the stock's folder: Spanish words and dates, the stock's name
// refused with the dialog left open, a question before replacing a file, ".pdf" added, and
// the process's locks on the stock kept while the folder is listed.
TEST_F(ListingScreenTest, TheSaveDialogSpeaksSpanishRefusesTheStockAndAddsPdf) {
    cancellations(3, 1);
    installQtTranslations(); // as the library does when it makes the application
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(db.dir()); // the dialog opens in the working folder, as for a clerk
    const int locksBefore = test::locksHeld();
    EXPECT_GT(locksBefore, 0);
    ASSERT_TRUE(QDir(db.dir()).mkdir(QStringLiteral("anteriores")));
    const QString old = db.dir() + QStringLiteral("/viejo.pdf");
    {
        QFile file(old);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(1500, 'x'));
    }
    const QString stockName = QFileInfo(db.path()).fileName();
    const QString refusal = QStringLiteral("48 No se puede guardar el listado en \"%1\": es un archivo de la base de "
                                           "datos. Elija otro nombre.")
                                .arg(stockName);
    boxes.queueAnswer(vbNo); // keep the old file
    int settled = 0;
    test::Steps steps;
    steps
        .then( // listed and typed, with time for the file-information thread
            [&] {
                settled = saveDialog() && !cell(old, 2).isEmpty() ? settled + 1 : 0;
                return settled >= 10;
            },
            [&] {
                QStringList words;
                for (const QLabel* label : saveDialog()->findChildren<QLabel*>())
                    words << label->text();
                for (const QAbstractButton* button : saveDialog()->findChildren<QAbstractButton*>())
                    words << button->text();
                for (const QString& word : words)
                    EXPECT_FALSE(word.contains(QStringLiteral("ichero"), Qt::CaseInsensitive)) << word.toStdString();
                EXPECT_TRUE(words.contains(QStringLiteral("&Nombre de archivo:"))) << words.join(u'|').toStdString();
                EXPECT_EQ(cell(old, 2), QStringLiteral("Documento PDF"));
                EXPECT_EQ(cell(db.dir() + QStringLiteral("/anteriores"), 2), QStringLiteral("Carpeta"));
                EXPECT_EQ(cell(old, 3), Regional::generalDate(QFileInfo(old).lastModified()));
                EXPECT_EQ(cell(old, 1), QStringLiteral("1,5 kB"));
                EXPECT_EQ(test::locksHeld(), locksBefore);
                typeAndAccept(stockName);
            })
        .then([] { return saveDialog() != nullptr; },
              [&] {
                  EXPECT_EQ(boxes.texts(), QStringList{refusal});
                  typeAndAccept(QStringLiteral("viejo"));
              })
        .then([] { return saveDialog() != nullptr; },
              [&] {
                  EXPECT_EQ(boxes.texts(),
                            (QStringList{refusal, "52 El archivo \"viejo.pdf\" ya existe.\r\n¿Desea reemplazarlo?"}));
                  typeAndAccept(QStringLiteral("nuevo"));
              });
    const bool finished = steps.run([&] {
        screen().showModeless();
        click("Command2");
    });
    QDir::setCurrent(cwd);
    ASSERT_TRUE(finished) << "stalled at step " << steps.stalledAt();

    EXPECT_EQ(QFileInfo(old).size(), 1500);
    const QString saved = QDir(db.dir()).absoluteFilePath(QStringLiteral("nuevo.pdf"));
    EXPECT_GT(QFileInfo(saved).size(), 0);
    ASSERT_EQ(boxes.texts().size(), 3);
    EXPECT_EQ(boxes.texts()[2], "64 Listo\r\n\r\nEl listado quedó guardado en:\r\n" + saved);
}

} // namespace
