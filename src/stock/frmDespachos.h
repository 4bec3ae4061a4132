#pragma once
// Screen frmDespachos (placeholder until the screen lands: the class and its instance()).
#include "controls/Form.h"

namespace quendarx {

class frmDespachos : public Form {
public:
    // The screen object held in the library state, created on first use.
    static frmDespachos& instance();
    frmDespachos();
};

} // namespace quendarx
