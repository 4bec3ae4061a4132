#include "data/Statements.h"

namespace quendarx::sql {

namespace {

QString num(std::int32_t value) { return QString::number(value); }

// "'" value "'" with the value's own quotes doubled.
QString q(const QString& text) { return QLatin1Char('\'') + quoted(text) + QLatin1Char('\''); }

// "'" value "',": one quoted value of an insert's value list.
QString qc(const QString& text) { return q(text) + QLatin1Char(','); }

} // namespace

QString quoted(const QString& text) {
    QString result = text;
    result.replace(QLatin1Char('\''), QStringLiteral("''"));
    return result;
}

QString deleteCancellation(const ArticleKey& a, const ExportItem& e) {
    return QStringLiteral("delete from CANCELACIONES where INTNDC = ") + q(a.intndc) +
           QStringLiteral("  and ARTINO = ") + num(a.artino) + QStringLiteral("  and ARTSNO = ") +
           num(a.artsno) + QStringLiteral("  and EXTNRO = ") + q(e.extnro) +
           QStringLiteral("  and EXTITM = ") + num(e.extitm);
}

QString sumCancelled(const ArticleKey& a) {
    return QStringLiteral("select sum(ARTCDS) as TOTAL from CANCELACIONES where INTNDC = ") +
           q(a.intndc) + QStringLiteral(" and ARTINO = ") + num(a.artino) +
           QStringLiteral(" and ARTSNO = ") + num(a.artsno);
}

QString updateAvailable(const ArticleKey& a, const QString& totalText) {
    return QStringLiteral("update ARTICULOS set ARTDSC = cdbl(ARTCAN) - cdbl(") + q(totalText) +
           QStringLiteral(") where INTNDC = ") + q(a.intndc) + QStringLiteral(" and ARTINO = ") +
           num(a.artino) + QStringLiteral(" and ARTSNO = ") + num(a.artsno);
}

QString cancellationsOfItem(const ExportItem& e) {
    return QStringLiteral("select INTNDC, ARTINO, ARTSNO, ARTCDS, ARTEXP, ARTCER, ARTVEN, ARTORD "
                          "from CANCELACIONES  where EXTNRO = ") +
           q(e.extnro) + QStringLiteral(" and EXTITM = ") + num(e.extitm) +
           QStringLiteral(" order by LINORD");
}

QString cancellationsWithArticles(const ExportItem& e) {
    return QStringLiteral(
               " select cancelaciones.INTNDC as pINTNDC,ARTNCM,cancelaciones.ARTINO as "
               "pARTINO,cancelaciones.ARTSNO as pARTSNO,ARTCDS,ARTEXP,ARTCER,ARTORD "
               " from cancelaciones, articulos where "
               " cancelaciones.INTNDC = articulos.INTNDC And cancelaciones.ARTINO = "
               "articulos.ARTINO And cancelaciones.ARTSNO = articulos.ARTSNO "
               " and EXTNRO = ") +
           q(e.extnro) + QStringLiteral("  and EXTITM = ") + num(e.extitm) +
           QStringLiteral(" order by "
                          "EXTITM,cancelaciones.INTNDC,cancelaciones.ARTINO,cancelaciones.ARTSNO ");
}

QString deleteDeclarationCancellations(const QString& intndc) {
    return QStringLiteral("delete from CANCELACIONES where INTNDC = ") + q(intndc);
}

QString deleteDeclarationArticles(const QString& intndc) {
    return QStringLiteral("delete from ARTICULOS where INTNDC = ") + q(intndc);
}

QString deleteDeclaration(const QString& intndc) {
    return QStringLiteral("delete from OPERACIONES where INTNDC = ") + q(intndc);
}

QString declarationsByDate() { return QStringLiteral("select * from OPERACIONES order by INTFOF"); }

QString articlesOfDeclaration(const QString& intndc) {
    return QStringLiteral("select ARTNRO,ARTINO,ARTSNO,ARTNCM,ARTCAN,ARTUNI,ARTFOB,ARTDSC from "
                          "ARTICULOS where INTNDC = ") +
           q(intndc) + QStringLiteral(" order by ARTINO,ARTSNO");
}

QString article(const ArticleKey& a) {
    return QStringLiteral("select * from ARTICULOS where INTNDC= ") + q(a.intndc) +
           QStringLiteral("  and ARTINO = ") + num(a.artino) + QStringLiteral("  and ARTSNO = ") +
           num(a.artsno) + QLatin1Char(' ');
}

QString cancellationsOfArticle(const ArticleKey& a) {
    return QStringLiteral("select EXTNRO, EXTITM, ARTCDS, EXTFDC from CANCELACIONES  where INTNDC = ") +
           q(a.intndc) + QStringLiteral(" and ARTINO = ") + num(a.artino) +
           QStringLiteral(" and ARTSNO = ") + num(a.artsno);
}

QString countCancellation(const ArticleKey& a, const ExportItem& e) {
    return QStringLiteral("select count(LINORD) as Cantidad from CANCELACIONES  where INTNDC = ") +
           q(a.intndc) + QStringLiteral(" and ARTINO = ") + num(a.artino) +
           QStringLiteral(" and ARTSNO = ") + num(a.artsno) + QStringLiteral(" and EXTNRO = ") +
           q(e.extnro) + QStringLiteral(" and EXTITM = ") + num(e.extitm);
}

QString maxLineOrder(const ExportItem& e) {
    return QStringLiteral("select max(LINORD) as mayor from CANCELACIONES where EXTNRO = ") +
           q(e.extnro) + QStringLiteral("and EXTITM = ") + num(e.extitm);
}

QString insertCancellation(const NewCancellation& c) {
    QString s = QStringLiteral("insert into CANCELACIONES(LINORD,INTNDC,ARTINO,ARTSNO,ARTCDS,"
                               "ARTEXP,ARTCER,ARTVEN,ARTORD,EXTNRO,EXTITM,EXTFDC) values (");
    for (const QString* v : {&c.linord, &c.intndc, &c.artino, &c.artsno, &c.artcds, &c.artexp,
                             &c.artcer, &c.artven})
        s += qc(*v);
    s += c.artord.isEmpty() ? QStringLiteral("NULL") : q(c.artord);
    s += QLatin1Char(',');
    s += qc(c.extnro) + qc(c.extitm);
    s += q(c.now) + QLatin1Char(')');
    return s;
}

QString availableOfArticle(const ArticleKey& a) {
    return QStringLiteral("select ARTDSC from ARTICULOS where INTNDC = ") + q(a.intndc) +
           QStringLiteral("   and ARTINO = ") + num(a.artino) + QStringLiteral("  and ARTSNO = ") +
           num(a.artsno);
}

QString cancellation(const ArticleKey& a, const ExportItem& e) {
    return QStringLiteral("select * from cancelaciones where EXTNRO = ") + q(e.extnro) +
           QStringLiteral("   and EXTITM = ") + num(e.extitm) + QStringLiteral("  and INTNDC = ") +
           q(a.intndc) + QStringLiteral("   and ARTINO = ") + num(a.artino) +
           QStringLiteral("  and ARTSNO = ") + num(a.artsno);
}

QString updateCancellation(const ArticleKey& a, const ExportItem& e, const CancellationUpdate& u) {
    QString s = QStringLiteral("update CANCELACIONES set ARTCDS = cdbl(") + q(u.quantity) +
                QStringLiteral("),ARTEXP = ") + qc(u.artexp) + QStringLiteral("ARTCER = ") +
                qc(u.artcer) + QStringLiteral("ARTVEN = ") + qc(u.artven);
    s += u.artord.isEmpty() ? QStringLiteral("ARTORD = NULL,") : QStringLiteral("ARTORD = ") + qc(u.artord);
    s += QStringLiteral("EXTFDC = ") + q(u.now) + QStringLiteral(" where EXTNRO = ") + q(e.extnro) +
         QStringLiteral("  and EXTITM = ") + num(e.extitm) + QStringLiteral("  and INTNDC = ") +
         q(a.intndc) + QStringLiteral("  and ARTINO = ") + num(a.artino) +
         QStringLiteral("  and ARTSNO = ") + num(a.artsno);
    return s;
}

QString countDeclaration(const QString& code) {
    return QStringLiteral("select count(INTNDC) as Cant from OPERACIONES where INTNDC = ") + q(code);
}

QString insertDeclaration(const QString& numero, const QString& intndc, const QString& intdsc,
                          const QString& intfof) {
    return QStringLiteral("insert into OPERACIONES (NUMERO, INTNDC, INTDSC, INTFOF) values (") +
           qc(numero) + qc(intndc) + qc(intdsc) + q(intfof) + QLatin1Char(')');
}

QString insertArticle(const NewArticle& a) {
    return QStringLiteral("insert into ARTICULOS (ARTNRO,INTNDC,ARTINO,ARTSNO,ARTNCM,ARTCAN,"
                          "ARTUNI,ARTFOB,ARTDSC) values (") +
           qc(a.artnro) + qc(a.intndc) + a.artino + QLatin1Char(',') + a.artsno +
           QLatin1Char(',') + qc(a.artncm) + qc(a.artcan) + qc(a.artuni) + qc(a.artfob) +
           q(a.artdsc) + QLatin1Char(')');
}

QString listingOfDeclaration(const QString& extnro) {
    return QStringLiteral(
               "select EXTITM,cancelaciones.INTNDC as pINTNDC,ARTNCM,cancelaciones.ARTINO as "
               "pARTINO,cancelaciones.ARTSNO as pARTSNO,ARTCDS,ARTEXP,ARTCER,ARTORD "
               "from cancelaciones, articulos where "
               "cancelaciones.INTNDC = articulos.INTNDC And cancelaciones.ARTINO = "
               "articulos.ARTINO And cancelaciones.ARTSNO = articulos.ARTSNO "
               "and EXTNRO = ") +
           q(extnro) +
           QStringLiteral(" order by "
                          "EXTITM,cancelaciones.INTNDC,cancelaciones.ARTINO,cancelaciones.ARTSNO");
}

QString outsideItems(const QString& interno) {
    return QStringLiteral("select id from item where interno = ") + q(interno) +
           QStringLiteral(" and id<>0 order by id");
}

QString outsideSubItems(const QString& interno, const QString& id) {
    return QStringLiteral("select idarticulo, id, ncm, cantidad, preciounitario, fob from "
                          "groupsubitems where interno = ") +
           q(interno) + QStringLiteral(" and id = ") + id + QStringLiteral(" order by idsub");
}

} // namespace quendarx::sql
