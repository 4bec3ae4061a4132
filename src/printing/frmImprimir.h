#pragma once
// Screen frmImprimir ("Listados"): prints the cancellation listing of the host's export
// declaration (g_NumeroInterno) on the printer named by g_NombreImpresora ("Impresora"),
// or writes the same pages to a PDF file the user chooses ("Archivo"). Esc closes it.
//
// While a listing runs the screen lets window events through after each page; a click
// on either button is ignored then, and Esc is held back: the screen closes once the
// listing has ended. The busy pointer shows from the first page's preparation to the
// end of the listing and is restored before the closing message.
#include "controls/Form.h"
#include <QStringList>

namespace quendarx {

class Recordset;

class frmImprimir : public Form {
public:
    // The screen object held in the library state, created on first use.
    static frmImprimir& instance();
    frmImprimir();

    // Builds and prints the listing on the chosen printer.
    void lpImprimir();
    // Builds the listing and writes it to a PDF file chosen in a save dialog.
    void lpArchivo();

protected:
    void Form_Load() override;
    void Form_Unload() override;
    void Form_KeyDown(int& keyCode, int shift) override;
    void Control_Click(const QString& control) override;

private:
    class Output;
    class PrinterOutput;
    class PdfOutput;

    // Runs the listing query; false (after the message) when it gave no row.
    bool queryRows(Recordset& rs);
    // Why the listing may not be saved at a path: the stock database and its companions are
    // never written over. "" when it may.
    static QString stockFileRefusal(const QString& path);
    // Lays out the rows of rs page by page and hands each page to out.
    void runListing(Recordset& rs, Output& out);

    bool listing_ = false;
    bool closeRequested_ = false;
};

} // namespace quendarx
