#pragma once
// The registration screen: one article (g_INTNDC, g_ARTINO, g_ARTSNO) with its
// cancellations; F11 registers the typed quantity against the host's export item
// (g_NumeroInterno, g_Item), recomputes the article's available quantity, hands the
// quantity back in g_CantidadDescontada and closes. Esc leaves without registering.
#include "cancellations/Recompute.h"
#include "controls/ClCntrl.h"
#include "controls/Form.h"
#include <array>
#include <memory>
#include <optional>

namespace quendarx {

class frmRelArt : public Form {
public:
    // The screen object held in the library state, created on first use.
    static frmRelArt& instance();
    frmRelArt();

    void lp_Cargar_Articulo();
    bool lf_Descontar();

protected:
    void Form_Load() override;
    void Form_Unload() override;
    void Form_KeyDown(int& keyCode, int shift) override;

private:
    bool register_(); // lf_Descontar's body; throws RuntimeError

    // One input helper per text box: txtDescuento, txtARTCER, txtARTORD, txtARTEXP, txtARTVEN.
    std::array<std::unique_ptr<ClCntrl>, 5> helpers_;
    // What was left of the article when the screen read it: F11's save need not read it
    // again when nothing changed since.
    std::optional<KnownLeft> known_;
};

} // namespace quendarx
