#pragma once
// The import screen: the user types a declaration's code, description and date of
// officialisation and presses F11; the declaration and every sub-item of its items in
// the outside customs database are copied into stock. Modeless; Esc closes it.
#include "controls/ClCntrl.h"
#include "controls/Form.h"
#include "data/Statements.h"
#include <memory>
#include <vector>

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
    // Connects to the outside database and turns its sub-items into the article rows to
    // write, in order. Returns "" or the message of the outside stop; throws RuntimeError
    // for a run-time error. The rows read before a stop are in `articles`.
    QString readOutside(const QString& code, Recordset& rsItems, Recordset& rsSubItems,
                        std::vector<sql::NewArticle>& articles);

    std::unique_ptr<ClCntrl> cntrlINTDSC_;
    std::unique_ptr<ClCntrl> cntrlINTFOF_;
    std::unique_ptr<ClCntrl> cntrlINTNDC_;
};

} // namespace quendarx
