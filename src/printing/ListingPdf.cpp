#include "printing/ListingPdf.h"
#include "platform/RuntimeError.h"
#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

namespace quendarx {

namespace {

[[noreturn]] void raiseFileError(const QString& path) { throw RuntimeError(StandardError::PathFileAccess, {}, path); }

} // namespace

ListingPdf::ListingPdf(const QString& path) : path_(path) {
    writer_ = std::make_unique<QPdfWriter>(path);
    writer_->setCreator(QStringLiteral("Quendarx"));
    writer_->setTitle(QStringLiteral("LISTADO CANCELACIONES"));
    // 91 characters of a 10-point fixed-width face take 546 points of A4's 595.
    writer_->setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(7, 10, 7, 10), QPageLayout::Millimeter));
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(writer_.get())) {
        painter_.reset();
        writer_.reset();
        raiseFileError(path);
    }
    painter_->setFont(QFont(QStringLiteral("Courier New"), 10));
}

ListingPdf::~ListingPdf() {
    if (painter_ && painter_->isActive())
        painter_->end();
}

void ListingPdf::addPage(const QString& pageText) {
    if (!painter_)
        raiseFileError(path_);
    if (pages_ > 0 && !writer_->newPage())
        raiseFileError(path_);
    ++pages_;
    const QFontMetricsF metrics(painter_->font(), writer_.get());
    QString text = pageText;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    qreal top = 0;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        if (!line.isEmpty())
            painter_->drawText(QPointF(0, top + metrics.ascent()), line);
        top += metrics.lineSpacing();
    }
}

void ListingPdf::finish() {
    if (!painter_)
        raiseFileError(path_);
    const bool ended = painter_->end();
    painter_.reset();
    writer_.reset();
    if (!ended || !QFile::exists(path_))
        raiseFileError(path_);
}

} // namespace quendarx
