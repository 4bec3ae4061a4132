#include "automation/clcancelMain.h"
#include "cancellations/frmModifcar.h"
#include "platform/MessageBoxes.h"
#include "platform/Regional.h"
#include "platform/RuntimeError.h"
#include "printing/frmImprimir.h"
#include "state/basGlobal.h"
#include "stock/frmArticulos.h"
#include "stock/frmDespachos.h"

namespace quendarx {

namespace shared {

void setUbicacionBaseDatos(const QString& value) { basGlobal().g_UbicacionBaseDatos = value; }
void setNombreImpresora(const QString& value) { basGlobal().g_NombreImpresora = value; }
void setNumeroInterno(const QString& value) { basGlobal().g_NumeroInterno = value; }

void setItem(const QString& value) {
    const std::int16_t item = Regional::toInt16(value); // throws before anything changes
    basGlobal().g_Item = item;
}

bool conectarBaseLocal(const QString& tag) {
    bool result = false;
    try {
        LibraryState& g = basGlobal();
        clConexion& conexion = g.conexionLocal();
        conexion.setConnectionString(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") +
                                     g.g_UbicacionBaseDatos);
        conexion.Connect();
        result = true;
    } catch (const RuntimeError& error) {
        reportError(error, tag, vbCritical + vbSystemModal);
    }
    return result;
}

} // namespace shared

void clcancelMain::Ubicacion_Base_Datos(const QString& p_Valor) { shared::setUbicacionBaseDatos(p_Valor); }
void clcancelMain::NombreImpresora(const QString& p_Valor) { shared::setNombreImpresora(p_Valor); }
void clcancelMain::Numero_Interno(const QString& p_Valor) { shared::setNumeroInterno(p_Valor); }
void clcancelMain::Item(const QString& p_Valor) { shared::setItem(p_Valor); }

bool clcancelMain::Conectar_DB() {
    return shared::conectarBaseLocal(QStringLiteral("Sección [QuendarxDLL.clCancelMain.Conectar_DB]"));
}

bool clcancelMain::Ingresar_Cancelaciones() {
    // A call off the user-interface thread fails back to the host instead of showing a box;
    // in a host that cannot show windows the member answers False, the reason in the log.
    if (!screensAvailable())
        return false;
    bool result = false;
    try {
        LibraryState& g = basGlobal();
        g.g_INTNDC.clear();
        g.g_ARTINO = 0;
        g.g_ARTSNO = 0;
        frmDespachos::instance().showModal();
        if (g.g_INTNDC.isEmpty())
            return false;
        frmArticulos::instance().showModal();
        result = g.g_ARTINO != 0;
    } catch (const RuntimeError& error) {
        reportError(error, QStringLiteral("Sección [ QuendarxDLL.clCancelMain.Ingresar_Cancelaciones ]"), vbCritical);
    }
    return result;
}

bool clcancelMain::Eliminar_Articulo(const QString& p_INTNDC, std::int16_t p_ARTINO, std::int16_t p_ARTSNO) {
    return quendarx::Eliminar_Articulo(p_INTNDC, p_ARTINO, p_ARTSNO);
}

bool clcancelMain::Obtener_Items(RecordsetRef& p_Rs) { return quendarx::Obtener_Items(p_Rs); }

bool clcancelMain::Modificar_Articulo(const QString& p_INTNDC, std::int16_t p_ARTINO, std::int16_t p_ARTSNO) {
    if (!screensAvailable())
        return false;
    bool result = false;
    try {
        LibraryState& g = basGlobal();
        g.g_ARTINO = p_ARTINO;
        g.g_ARTSNO = p_ARTSNO;
        g.g_INTNDC = p_INTNDC;
        frmModifcar::instance().showModal();
        result = true;
    } catch (const RuntimeError& error) {
        reportError(error, QStringLiteral("Sección [QuendarxDLL.clcancelMain.Modificar_Articulo]"), vbCritical);
    }
    return result;
}

void clcancelMain::Imprimir() {
    ensureGuiThread();
    frmImprimir::instance().showModal();
}

bool clcancelMain::ObtenerCancelacion(RecordsetRef& p_Rs) { return quendarx::ObtenerCancelacion(p_Rs); }

} // namespace quendarx
