#pragma once
// The public class clImportar: what the host drives to bring a declaration from the
// outside customs database into stock. No state of its own: its properties write the
// same library state as clcancelMain's.
#include <QString>

namespace quendarx {

class clImportar {
public:
    // Property sets (no trap: a failure goes back to the host).
    void Ubicacion_Base_Datos(const QString& p_Valor);
    void NombreImpresora(const QString& p_Valor);
    void Numero_Interno(const QString& p_Valor);
    void Item(const QString& p_Valor);
    void Base_Brevik(const QString& p_Valor);

    // Shows the import screen without waiting and returns at once (no trap).
    void Importar();
    // True once the local database has been opened (the same instance clcancelMain uses).
    bool Conectar_DB();
};

} // namespace quendarx
