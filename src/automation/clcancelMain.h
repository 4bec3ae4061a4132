#pragma once
// The public class clcancelMain: what the host drives to register, delete, modify, query
// and print cancellations. It keeps no state of its own; every property writes the
// calling thread's library state, so all instances on a thread see the same values.
#include "cancellations/HostOperations.h"
#include <QString>
#include <cstdint>

namespace quendarx {

class clcancelMain {
public:
    // Property sets (no trap: a failure goes back to the host).
    void Ubicacion_Base_Datos(const QString& p_Valor);
    void NombreImpresora(const QString& p_Valor);
    void Numero_Interno(const QString& p_Valor);
    // Throws RuntimeError 13 for a text that is not a number, 6 outside the 16-bit range;
    // g_Item keeps its value then.
    void Item(const QString& p_Valor);

    // True once the local database has been opened.
    bool Conectar_DB();
    // True when an article was picked on the articles screen.
    bool Ingresar_Cancelaciones();
    bool Eliminar_Articulo(const QString& p_INTNDC, std::int16_t p_ARTINO, std::int16_t p_ARTSNO);
    bool Obtener_Items(RecordsetRef& p_Rs);
    // True once the modify screen has been shown, whatever the user did there.
    bool Modificar_Articulo(const QString& p_INTNDC, std::int16_t p_ARTINO, std::int16_t p_ARTSNO);
    // Shows the listing screen (no trap).
    void Imprimir();
    bool ObtenerCancelacion(RecordsetRef& p_Rs);
};

// What both public classes share.
namespace shared {
void setUbicacionBaseDatos(const QString& value);
void setNombreImpresora(const QString& value);
void setNumeroInterno(const QString& value);
void setItem(const QString& value);
// Connects g_ConexionLocal (created on first use) to the database at
// g_UbicacionBaseDatos; a run-time error is reported with the given location tag in a
// critical system-modal box and gives False.
bool conectarBaseLocal(const QString& tag);
} // namespace shared

} // namespace quendarx
