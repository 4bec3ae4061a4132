#pragma once
// Screen frmArticulos (placeholder until the screen lands: the class and its instance()).
#include "controls/Form.h"

namespace quendarx {

class frmArticulos : public Form {
public:
    // The screen object held in the library state, created on first use.
    static frmArticulos& instance();
    frmArticulos();
};

} // namespace quendarx
