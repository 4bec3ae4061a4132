#pragma once
// The declarations in stock: Enter chooses the selected declaration (its code goes into
// g_INTNDC), Delete removes it with its articles and cancellations, Esc closes.
#include "controls/Form.h"

namespace quendarx {

class frmDespachos : public Form {
public:
    // The screen object held in the library state, created on first use.
    static frmDespachos& instance();
    frmDespachos();

    void lp_Cargar_Listado();
    void lp_Eliminar_Despacho();

protected:
    void Form_Load() override;
    void Form_KeyDown(int& keyCode, int shift) override;
    void Control_KeyPress(const QString& control, int& keyAscii) override;
};

} // namespace quendarx
