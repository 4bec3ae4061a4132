#pragma once
// The listing written as a PDF file: A4 sheets, one page of the listing per sheet, in
// "Courier New" 10 (a fixed-width face), each line at the font's line spacing from the
// top-left margin.
#include <QString>
#include <memory>

class QPainter;
class QPdfWriter;

namespace quendarx {

class ListingPdf {
public:
    // Opens the file for writing; throws RuntimeError 75 when it cannot be written.
    explicit ListingPdf(const QString& path);
    ~ListingPdf();
    ListingPdf(const ListingPdf&) = delete;
    ListingPdf& operator=(const ListingPdf&) = delete;

    // Draws one page text (lines ended by CR LF or LF) on a sheet of its own.
    void addPage(const QString& pageText);
    // Completes the file; throws RuntimeError 75 when it could not be completed.
    void finish();

private:
    QString path_;
    std::unique_ptr<QPdfWriter> writer_;
    std::unique_ptr<QPainter> painter_;
    int pages_ = 0;
};

} // namespace quendarx
