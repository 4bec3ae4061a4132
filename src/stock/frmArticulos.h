#pragma once
// The articles of the chosen declaration (g_INTNDC) with what is still available of
// each. Enter on a row picks the article (g_ARTINO, g_ARTSNO) and opens the registration
// screen over this one; a registered quantity lowers the row's "Disponible" at once.
#include "controls/Form.h"

namespace quendarx {

class frmArticulos : public Form {
public:
    // The screen object held in the library state, created on first use.
    static frmArticulos& instance();
    frmArticulos();

    void lp_CargarArticulos();

protected:
    void Form_Load() override;
    void Form_KeyDown(int& keyCode, int shift) override;
    void Control_KeyDown(const QString& control, int& keyCode, int shift) override;

private:
    void pickArticle();
};

} // namespace quendarx
