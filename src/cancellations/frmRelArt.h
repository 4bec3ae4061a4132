#pragma once
// Screen frmRelArt (placeholder until the screen lands: the class and its instance()).
#include "controls/Form.h"

namespace quendarx {

class frmRelArt : public Form {
public:
    // The screen object held in the library state, created on first use.
    static frmRelArt& instance();
    frmRelArt();
};

} // namespace quendarx
