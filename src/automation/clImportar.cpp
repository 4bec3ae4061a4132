#include "automation/clImportar.h"
#include "automation/clcancelMain.h"
#include "state/basGlobal.h"
#include "stock/frmImportar.h"

namespace quendarx {

void clImportar::Ubicacion_Base_Datos(const QString& p_Valor) { shared::setUbicacionBaseDatos(p_Valor); }
void clImportar::NombreImpresora(const QString& p_Valor) { shared::setNombreImpresora(p_Valor); }
void clImportar::Numero_Interno(const QString& p_Valor) { shared::setNumeroInterno(p_Valor); }
void clImportar::Item(const QString& p_Valor) { shared::setItem(p_Valor); }
void clImportar::Base_Brevik(const QString& p_Valor) { basGlobal().g_BaseExterna = p_Valor; }

void clImportar::Importar() {
    ensureGuiThread();
    frmImportar::instance().showModeless();
}

bool clImportar::Conectar_DB() {
    return shared::conectarBaseLocal(QStringLiteral("Sección [QuendarxDLL.clImportar.Conectar_DB]"));
}

} // namespace quendarx
