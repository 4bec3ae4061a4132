#pragma once
// The import screen: the user types a declaration's code, description and date of
// officialisation and presses F11; the declaration and every sub-item of its items in
// the outside customs database are copied into stock. Modeless; Esc closes it.
#include "controls/ClCntrl.h"
#include "controls/Form.h"
#include <memory>

namespace quendarx {

class Recordset;

class frmImportar : public Form {
public:
    // The screen object held in the library state, created on first use.
    static frmImportar& instance();
    frmImportar();

    // The save: validates the fields, writes the declaration, connects to the outside
    // database and copies its articles. Stays open after every stop; closes on success.
    void lp_AgregarInterno();

protected:
    void Form_Load() override;
    void Form_Unload() override;
    void Form_KeyDown(int& keyCode, int shift) override;

private:
    // The body of the save; returns at any stop, throws RuntimeError for a run-time error.
    void agregar(Recordset& rsItems, Recordset& rsSubItems);

    std::unique_ptr<ClCntrl> cntrlINTDSC_;
    std::unique_ptr<ClCntrl> cntrlINTFOF_;
    std::unique_ptr<ClCntrl> cntrlINTNDC_;
};

} // namespace quendarx
