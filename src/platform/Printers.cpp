#include "platform/Printers.h"
#include "platform/RuntimeError.h"
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <atomic>
#include <memory>
#include <utility>

namespace quendarx {

namespace {

[[noreturn]] void raisePrinterError() { throw RuntimeError(StandardError::PrinterError); }

// The printers of Qt Print Support. A page is started lazily: the first print after an
// endPage begins a new sheet, so a document never ends with an empty page.
// With a PDF path every document goes into that file instead.
class QtPrinters final : public Printers {
public:
    explicit QtPrinters(QString pdfPath = QString()) : pdfPath_(std::move(pdfPath)) {}

    QStringList deviceNames() const override {
        return pdfPath_.isEmpty() ? QPrinterInfo::availablePrinterNames() : QStringList{kPdf};
    }

    QString currentDeviceName() const override {
        if (!current_.isEmpty())
            return current_;
        return pdfPath_.isEmpty() ? QPrinterInfo::defaultPrinterName() : kPdf;
    }

    void setCurrent(const QString& deviceName) override { current_ = deviceName; }

    void beginDocument() override {
        endDocument();
        if (pdfPath_.isEmpty()) {
            const QPrinterInfo info = QPrinterInfo::printerInfo(currentDeviceName());
            if (info.isNull())
                raisePrinterError();
            printer_ = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
        } else {
            printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
            printer_->setOutputFormat(QPrinter::PdfFormat);
            printer_->setOutputFileName(pdfPath_);
        }
        painter_ = std::make_unique<QPainter>();
        if (!painter_->begin(printer_.get())) {
            painter_.reset();
            printer_.reset();
            raisePrinterError();
        }
        painter_->setFont(font_);
        pageOpen_ = true;
        y_ = 0;
    }

    void setFont(const QString& family, int pointSize) override {
        font_ = QFont(family, pointSize);
        if (painter_)
            painter_->setFont(font_);
    }

    void print(const QString& pageText) override {
        if (!painter_)
            raisePrinterError();
        if (!pageOpen_) {
            if (!printer_->newPage())
                raisePrinterError();
            pageOpen_ = true;
            y_ = 0;
        }
        const QFontMetricsF metrics(painter_->font(), printer_.get());
        QString text = pageText;
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        for (const QString& line : text.split(QLatin1Char('\n'))) {
            painter_->drawText(QPointF(0, y_ + metrics.ascent()), line);
            y_ += metrics.lineSpacing();
        }
    }

    void endPage() override { pageOpen_ = false; }

    void endDocument() override {
        if (painter_)
            painter_->end();
        painter_.reset();
        printer_.reset();
    }

private:
    static inline const QString kPdf = QStringLiteral("PDF");
    QString pdfPath_;
    QString current_;
    QFont font_{QStringLiteral("Courier New"), 10};
    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<QPainter> painter_;
    bool pageOpen_ = false;
    qreal y_ = 0;
};

std::atomic<Printers*> installed{nullptr};

} // namespace

Printers& Printers::instance() {
    if (Printers* p = installed.load())
        return *p;
    static QtPrinters qtPrinters;
    return qtPrinters;
}

void Printers::setInstance(Printers* printers) { installed.store(printers); }

std::unique_ptr<Printers> Printers::pdfFile(const QString& path) { return std::make_unique<QtPrinters>(path); }

} // namespace quendarx
