#pragma once
// Screen frmImportar (placeholder until the screen lands: the class and its instance()).
#include "controls/Form.h"

namespace quendarx {

class frmImportar : public Form {
public:
    // The screen object held in the library state, created on first use.
    static frmImportar& instance();
    frmImportar();
};

} // namespace quendarx
