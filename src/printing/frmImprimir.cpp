#include "printing/frmImprimir.h"
#include "data/ConnectionString.h"
#include "data/ServerSql.h"
#include "data/Statements.h"
#include "data/StockFiles.h"
#include "platform/Clock.h"
#include "platform/FileDialogs.h"
#include "platform/Keys.h"
#include "platform/MessageBoxes.h"
#include "platform/Printers.h"
#include "platform/Regional.h"
#include "platform/RuntimeError.h"
#include "printing/Listing.h"
#include "printing/ListingPdf.h"
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <memory>

namespace quendarx {

namespace {

const QString kImprimirTag = QStringLiteral("Seccion [QuendarxDLL.frmImprimir.lpImprimir]:");
const QString kArchivoTag = QStringLiteral("Seccion [QuendarxDLL.frmImprimir.lpArchivo]:");

ControlSpec spec(const char* name, ControlKind kind, int left, int top, int width, int height,
                 const QString& caption = QString(), int tabIndex = -1, QColor color = {}, bool bold = false) {
    return {QString::fromLatin1(name), kind, left, top, width, height, caption, tabIndex, color, bold};
}

std::vector<ControlSpec> imprimirControls() {
    using K = ControlKind;
    return {
        // Decoration first, so that the frames lie under the controls they surround.
        spec("Image1", K::Decoration, 120, 120, 480, 480),
        spec("Shape1", K::Decoration, 120, 1380, 5160, 1380),
        spec("Shape2", K::Decoration, 120, 2880, 5160, 480),
        spec("Shape3", K::Decoration, 0, 3480, 5400, 420),
        spec("Label1", K::Label, 720, 150, 3000, 0, QStringLiteral("Listados"), -1, colors::navy, true),
        spec("lbInterno", K::Label, 720, 420, 4440, 0),
        spec("Line1", K::Decoration, 120, 780, 5160, 15),
        spec("Label2", K::Label, 120, 960, 5160, 0,
             QStringLiteral("Imprime todos los articulos cancelados en este pre-despacho.")),
        spec("Label4", K::Label, 240, 1440, 1500, 0, QStringLiteral("Salida"), -1, {}, true),
        spec("cmdImprimir", K::Button, 1680, 1680, 2040, 375, QStringLiteral("Impresora"), 0),
        spec("Command2", K::Button, 1680, 2160, 2040, 375, QStringLiteral("Archivo"), 1),
        spec("Pb", K::ProgressBar, 240, 2992, 4920, 255),
        spec("Label3", K::Label, 120, 3592, 1500, 0, QStringLiteral("ESC [Salir]"), -1, colors::darkRed, true),
    };
}

// The busy pointer for the length of a listing.
class BusyPointer {
public:
    BusyPointer() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { restore(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
    void restore() {
        if (active_)
            QGuiApplication::restoreOverrideCursor();
        active_ = false;
    }

private:
    bool active_ = true;
};

// The file name the save dialog proposes: no path separators from the declaration.
QString proposedFileName(QString numeroInterno) {
    numeroInterno.replace(QLatin1Char('/'), QLatin1Char('-'));
    numeroInterno.replace(QLatin1Char('\\'), QLatin1Char('-'));
    return QStringLiteral("cancelaciones-") + numeroInterno + QStringLiteral(".pdf");
}

} // namespace

// Where the pages of a listing go.
class frmImprimir::Output {
public:
    virtual ~Output() = default;
    // Before anything is laid out.
    virtual void prepare() {}
    virtual void begin() = 0;
    virtual void page(const QString& text) = 0;
    virtual void end() = 0;
    // After a failure: closes what is open, never throws.
    virtual void abandon() = 0;
};

// The printers of the library: the named printer becomes current, one print document,
// each page on a sheet of its own.
class frmImprimir::PrinterOutput final : public Output {
public:
    void prepare() override {
        const QString wanted = basGlobal().g_NombreImpresora;
        if (wanted.isEmpty())
            return;
        Printers& printers = Printers::instance();
        for (const QString& name : printers.deviceNames()) {
            if (name == wanted) {
                printers.setCurrent(name);
                break;
            }
        }
    }
    void begin() override {
        Printers::instance().beginDocument();
        open_ = true;
    }
    void page(const QString& text) override {
        Printers& printers = Printers::instance();
        printers.setFont(QStringLiteral("Courier New"), 10);
        printers.print(text);
        printers.endPage();
    }
    void end() override {
        open_ = false;
        Printers::instance().endDocument();
    }
    void abandon() override {
        if (!open_)
            return;
        open_ = false;
        try {
            Printers::instance().endDocument();
        } catch (const std::exception&) {
        }
    }

private:
    bool open_ = false;
};

// A PDF file; the host hears of it once it is complete.
class frmImprimir::PdfOutput final : public Output {
public:
    explicit PdfOutput(QString path) : path_(std::move(path)) {}
    void begin() override { pdf_ = std::make_unique<ListingPdf>(path_); }
    void page(const QString& text) override { pdf_->addPage(text); }
    void end() override {
        pdf_->finish();
        pdf_.reset();
        FileDialogs::fileWritten(path_);
    }
    // A file left half written is removed; one that could not be opened is left alone.
    void abandon() override {
        if (!pdf_)
            return;
        pdf_.reset();
        QFile::remove(path_);
    }

private:
    QString path_;
    std::unique_ptr<ListingPdf> pdf_;
};

frmImprimir& frmImprimir::instance() {
    return basGlobal().screen<frmImprimir>(ScreenId::frmImprimir, [] { return std::make_unique<frmImprimir>(); });
}

frmImprimir::frmImprimir()
    : Form(QStringLiteral("frmImprimir"), QStringLiteral("Listados"), 5400, 3900, imprimirControls()) {}

void frmImprimir::Form_Load() {
    listing_ = false;
    closeRequested_ = false;
    label(QStringLiteral("lbInterno"))->setText(basGlobal().g_NumeroInterno);
}

void frmImprimir::Form_Unload() { closeRequested_ = false; }

void frmImprimir::Form_KeyDown(int& keyCode, int) {
    if (keyCode != vbKeyEscape)
        return;
    keyCode = 0;
    if (listing_)
        closeRequested_ = true;
    else
        unload();
}

void frmImprimir::Control_Click(const QString& control) {
    if (listing_)
        return;
    listing_ = true;
    if (control == QLatin1String("cmdImprimir"))
        lpImprimir();
    else if (control == QLatin1String("Command2"))
        lpArchivo();
    listing_ = false;
    if (closeRequested_ && isLoaded())
        unload();
}

bool frmImprimir::queryRows(Recordset& rs) {
    clConexion& conexion = basGlobal().conexionLocal();
    conexion.setSql(sql::listingOfDeclaration(basGlobal().g_NumeroInterno));
    if (conexion.GetRecordset(rs))
        return true;
    MessageBoxes::show(QStringLiteral("No se encontraron articulos descontados"), vbCritical);
    return false;
}

void frmImprimir::lpImprimir() {
    PrinterOutput out;
    std::unique_ptr<BusyPointer> busy;
    try {
        basGlobal().g_LineasPorPagina = kListingLinesPerPage;
        Recordset rs;
        if (!queryRows(rs))
            return;
        busy = std::make_unique<BusyPointer>();
        runListing(rs, out);
    } catch (const RuntimeError& error) {
        out.abandon();
        busy.reset();
        reportError(error, kImprimirTag + error.source, vbCritical);
        return;
    }
    busy.reset();
    MessageBoxes::show(QStringLiteral("Listo"), vbInformation);
}

void frmImprimir::lpArchivo() {
    QString path;
    std::unique_ptr<PdfOutput> out;
    std::unique_ptr<BusyPointer> busy;
    try {
        basGlobal().g_LineasPorPagina = kListingLinesPerPage;
        Recordset rs;
        if (!queryRows(rs))
            return;
        path = FileDialogs::getSaveFileName(window(), {QStringLiteral("Guardar listado"),
                                                       proposedFileName(basGlobal().g_NumeroInterno),
                                                       QStringLiteral("Documentos PDF (*.pdf)"), QStringLiteral("pdf"),
                                                       [](const QString& chosen) { return stockFileRefusal(chosen); }});
        if (path.isEmpty())
            return;
        out = std::make_unique<PdfOutput>(path);
        busy = std::make_unique<BusyPointer>();
        runListing(rs, *out);
    } catch (const RuntimeError& error) {
        if (out)
            out->abandon();
        busy.reset();
        reportError(error, kArchivoTag + error.source, vbCritical);
        return;
    }
    busy.reset();
    MessageBoxes::show(QStringLiteral("Listo\r\n\r\nEl listado quedó guardado en:\r\n") +
                           QDir::toNativeSeparators(path),
                       vbInformation);
}

QString frmImprimir::stockFileRefusal(const QString& path) {
    const std::optional<QString> stock = jetDataSource(basGlobal().conexionLocal().ConnectionString());
    // A stock on a server has no file to write over.
    if (!stock || server::isServerLocation(*stock) || !isStockFileOrCompanion(path, *stock))
        return {};
    return QStringLiteral("No se puede guardar el listado en \"%1\": es un archivo de la base de datos. Elija "
                          "otro nombre.")
        .arg(QFileInfo(path).fileName());
}

void frmImprimir::runListing(Recordset& rs, Output& out) {
    LibraryState& g = basGlobal();
    const clValores& valores = g.valores();
    out.prepare();
    const ListingHeader header{Regional::longDate(Clock::now().date()), g.g_NumeroInterno};

    // The page total: the same layout over the rows' export items.
    QStringList keys;
    keys.reserve(rs.RecordCount());
    for (rs.MoveFirst(); !rs.EOF_(); rs.MoveNext())
        keys << listingItemKey(valores.Numero(rs.Fields(QStringLiteral("EXTITM"))));
    rs.MoveFirst();
    const std::vector<ListingPage> pages = paginateListing(keys, g.g_LineasPorPagina);
    const int total = static_cast<int>(pages.size());

    if (QProgressBar* pb = progressBar(QStringLiteral("Pb"))) {
        pb->setRange(0, total);
        pb->setValue(1);
    }
    out.begin();
    std::vector<ListingRow> rows;
    for (int p = 1; p <= total; ++p) {
        const ListingPage& page = pages[static_cast<std::size_t>(p - 1)];
        rows.clear();
        for (int i = 0; i < page.rowCount; ++i, rs.MoveNext())
            rows.push_back(readListingRow(rs, valores));
        out.page(listingPageText(header, p, total, rows.data(), page.rowCount));
        if (QProgressBar* pb = progressBar(QStringLiteral("Pb")))
            pb->setValue(p);
        QCoreApplication::processEvents();
    }
    out.end();
    rs.close();
}

} // namespace quendarx
