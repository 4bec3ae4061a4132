#pragma once
// Screen frmModifcar (placeholder until the screen lands: the class and its instance()).
#include "controls/Form.h"

namespace quendarx {

class frmModifcar : public Form {
public:
    // The screen object held in the library state, created on first use.
    static frmModifcar& instance();
    frmModifcar();
};

} // namespace quendarx
