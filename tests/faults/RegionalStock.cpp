#include "RegionalStock.h"
#include "cancellations/Recompute.h"
#include "cancellations/frmRelArt.h"

namespace quendarx::test {

void expectRegionalTotalsReadAsTheLibraryReadsThem(const MeetingStock& stock, RecordingMessageBoxes& boxes,
                                                   const QString& cancelledAsText) {
    stock.exec("insert into OPERACIONES (NUMERO, INTNDC, INTDSC, INTFOF) values ('1', 'D-1', 'Importacion', "
               "'2026-01-15')");
    stock.exec("insert into ARTICULOS (ARTNRO, INTNDC, ARTINO, ARTSNO, ARTNCM, ARTCAN, ARTUNI, ARTFOB, ARTDSC) "
               "values ('ART-1', 'D-1', 1, 0, '8471.30.00', '10', 1.5, 15, 10)");
    stock.exec("insert into CANCELACIONES (LINORD, INTNDC, ARTINO, ARTSNO, ARTCDS, ARTEXP, ARTCER, ARTVEN, ARTORD, "
               "EXTNRO, EXTITM, EXTFDC) values (1, 'D-1', 1, 0, '5', '', '', '', NULL, 'EXP-2', 1, "
               "'2026-12-01 09:00:00')");
    clConexion& conexion = basGlobal().conexionLocal();
    conexion.setConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + stock.location);
    conexion.Connect();

    // The recomputation every registration, modification and deletion ends with.
    const struct {
        QLocale locale;
        const char* total;
        const char* available; // ARTDSC afterwards, or the message
    } cases[] = {
        {esAR(), "120,5", "115.5"},
        {esAR(), "1.120,5", "1115.5"},
        {enUS(), "1,120.5", "1115.5"},
        {esAR(), "n/d", "Error en actualizar CANTIDAD DISPONIBLE"},
    };
    for (const auto& c : cases) {
        ScopedLocale locale(c.locale);
        stock.exec(QStringLiteral("update ARTICULOS set ARTCAN = '%1', ARTDSC = 0").arg(QLatin1String(c.total)));
        const QString failure = recomputeAvailable({"D-1", 1, 0});
        const QString seen = failure.isEmpty() ? stock.query("select ARTDSC from ARTICULOS").value(0) : failure;
        EXPECT_EQ(seen, QLatin1String(c.available)) << c.total;
    }

    // A registration's re-check: 2,5 of the 10 cancelled, though ARTDSC still says 10.
    if (!cancelledAsText.isEmpty())
        stock.exec(cancelledAsText);
    stock.exec("update ARTICULOS set ARTCAN = '10', ARTDSC = 10; update CANCELACIONES set ARTCDS = '2,5'");
    onArticle();
    EXPECT_FALSE(pressF11(frmRelArt::instance(), {{"txtDescuento", "7,6"}, {"txtARTVEN", "31/12/2027"}}));
    EXPECT_EQ(boxes.texts(), QStringList{"48 El valor a descontar no puede ser mayor a 07,50"});
    EXPECT_EQ(stock.query("select count(*) from CANCELACIONES"), QStringList{"1"});
}

} // namespace quendarx::test
