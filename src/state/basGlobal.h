#pragma once
// The library state shared by both public classes and all screens on one host thread.
#include "data/clConexion.h"
#include "data/clValores.h"
#include <QString>
#include <array>
#include <cstdint>
#include <memory>

namespace quendarx {

// A screen object held by the state (the screens themselves live in higher layers).
class ScreenInstance {
public:
    virtual ~ScreenInstance() = default;
};

enum class ScreenId { frmDespachos, frmArticulos, frmRelArt, frmModifcar, frmImprimir, frmImportar };
inline constexpr std::size_t kScreenCount = 6;

struct LibraryState {
    std::unique_ptr<clConexion> g_ConexionLocal;
    std::unique_ptr<clConexion> g_ConexionExterna;
    std::unique_ptr<clValores> g_Valores;

    QString g_NumeroInterno;
    std::int16_t g_Item = 0;
    QString g_UbicacionBaseDatos;
    QString g_BaseExterna;
    QString g_NombreImpresora;
    std::int32_t g_LineasPorPagina = 0;

    QString g_INTNDC;
    std::int32_t g_ARTINO = 0;
    std::int32_t g_ARTSNO = 0;
    QString g_CantidadDescontada;

    std::array<std::unique_ptr<ScreenInstance>, kScreenCount> screens;

    // g_ConexionLocal / g_Valores, created on first use.
    clConexion& conexionLocal();
    clValores& valores();

    // The screen object, created by make() on first use.
    template <class T, class Make> T& screen(ScreenId id, Make make) {
        auto& slot = screens[static_cast<std::size_t>(id)];
        if (!slot)
            slot = make();
        return static_cast<T&>(*slot);
    }
};

// The calling thread's state (thread_local).
LibraryState& basGlobal();
// Drops the calling thread's state: the same as unloading the library for that thread.
void resetLibraryState();

} // namespace quendarx
