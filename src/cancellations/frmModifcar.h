#pragma once
// Screen frmModifcar: edits the cancellation of one article (g_INTNDC, g_ARTINO,
// g_ARTSNO) against the host's export item (g_NumeroInterno, g_Item). Shows the most the
// cancellation may hold (what is available plus what it already holds); F11 validates,
// rewrites the row, recomputes the article's available quantity and closes; Esc closes.
#include "cancellations/Recompute.h"
#include "controls/Form.h"
#include <array>
#include <memory>
#include <optional>

namespace quendarx {

class ClCntrl;

class frmModifcar : public Form {
public:
    // The screen object held in the library state, created on first use.
    static frmModifcar& instance();
    frmModifcar();
    ~frmModifcar() override;

    // Loads the cancellation into the screen.
    void Leer_Articulo();
    // Validates and saves; true only when the row was rewritten and the available
    // quantity recomputed.
    bool Guardar_Datos();

protected:
    void Form_Load() override;
    void Form_Unload() override;
    void Form_KeyDown(int& keyCode, int shift) override;

private:
    std::array<std::unique_ptr<ClCntrl>, 5> helpers_;
    // What was left of the article, besides this cancellation, when the screen read it:
    // F11's save need not read it again when nothing changed since.
    std::optional<KnownLeft> known_;
};

} // namespace quendarx
