#pragma once
// The printers the library sees: their device names, the current one, and printing
// pages of text on the current one. Production uses Qt Print Support; the host script
// and tests install recording printers.
#include <QString>
#include <QStringList>
#include <memory>

namespace quendarx {

class Printers {
public:
    virtual ~Printers() = default;

    // Installed printers' device names, in the platform's order.
    virtual QStringList deviceNames() const = 0;
    // The current printer's device name ("" when there is none).
    virtual QString currentDeviceName() const = 0;
    // Makes the named printer current (it stays current after a listing).
    virtual void setCurrent(const QString& deviceName) = 0;

    // A document on the current printer: begin, then for each page setFont, print the
    // page's text (one call), endPage; endDocument after the last page.
    virtual void beginDocument() = 0;
    virtual void setFont(const QString& family, int pointSize) = 0;
    virtual void print(const QString& pageText) = 0;
    virtual void endPage() = 0;
    virtual void endDocument() = 0;

    // The printers in force; the Qt Print Support ones unless replaced.
    static Printers& instance();
    // nullptr restores the Qt Print Support printers. Not owned.
    static void setInstance(Printers* printers);
    // Printers that write each document into the PDF file at `path` (one device, "PDF").
    static std::unique_ptr<Printers> pdfFile(const QString& path);
};

} // namespace quendarx
