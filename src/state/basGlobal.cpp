#include "state/basGlobal.h"

namespace quendarx {

namespace {
thread_local std::unique_ptr<LibraryState> t_state;
}

clConexion& LibraryState::conexionLocal() {
    if (!g_ConexionLocal)
        g_ConexionLocal = std::make_unique<clConexion>();
    return *g_ConexionLocal;
}

clValores& LibraryState::valores() {
    if (!g_Valores)
        g_Valores = std::make_unique<clValores>();
    return *g_Valores;
}

LibraryState& basGlobal() {
    if (!t_state)
        t_state = std::make_unique<LibraryState>();
    return *t_state;
}

void resetLibraryState() { t_state.reset(); }

} // namespace quendarx
