#pragma once
// Screen frmImprimir (placeholder until the screen lands: the class and its instance()).
#include "controls/Form.h"

namespace quendarx {

class frmImprimir : public Form {
public:
    // The screen object held in the library state, created on first use.
    static frmImprimir& instance();
    frmImprimir();
};

} // namespace quendarx
