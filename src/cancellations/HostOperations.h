#pragma once
// The cancellation operations of the host that show no screen of their own.
#include "data/Recordset.h"
#include <QString>
#include <cstdint>
#include <memory>

namespace quendarx {

// The host's record-set reference: empty (nullptr) or an open record set.
using RecordsetRef = std::shared_ptr<Recordset>;

// Deletes the cancellation of an article against the host's export item after the
// user confirms; recomputes the article's available quantity.
bool Eliminar_Articulo(const QString& p_INTNDC, std::int16_t p_ARTINO, std::int16_t p_ARTSNO);
// The cancellations of the host's export item, in line order.
bool Obtener_Items(RecordsetRef& p_Rs);
// The cancellations of the host's export item joined with their articles.
bool ObtenerCancelacion(RecordsetRef& p_Rs);

} // namespace quendarx
