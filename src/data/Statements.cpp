#include "data/Statements.h"
#include "platform/Regional.h"
#include <QMultiHash>
#include <QVarLengthArray>
#include <charconv>
#include <cmath>

namespace quendarx::sql {

namespace {

// A text that reads as a regional number (`separator` the decimal point), as a double; any
// other text unchanged (the original engine read such texts into number columns with the
// regional rules).
QVariant numberValue(const QString& text, const QString& separator) {
    // Plain digits with at most one separator, as the numbers the library formats itself
    // read, are read here at once: the general reader costs a microsecond a value.
    char plain[40];
    qsizetype length = 0;
    qsizetype separators = 0;
    QChar mark;
    for (const QChar c : text) {
        if (length == qsizetype(sizeof plain))
            break;
        if (c >= u'0' && c <= u'9') {
            plain[length++] = char(c.unicode());
        } else {
            mark = c;
            ++separators;
            plain[length++] = '.';
        }
    }
    if (length == text.size() && length > 0 && separators <= 1 && plain[0] != '.' && plain[length - 1] != '.' &&
        (separators == 0 || (separator.size() == 1 && separator.front() == mark))) {
        double value = 0;
        const auto [end, ec] = std::from_chars(plain, plain + length, value);
        if (ec == std::errc() && end == plain + length && std::isfinite(value))
            return value;
    }
    if (const auto value = Regional::readNumber(text))
        return *value;
    return text;
}

QVariant numberValue(const QString& text) { return numberValue(text, Regional::decimalSeparator()); }

// The digits of a whole number as an integer; anything else as a number column takes it.
QVariant wholeValue(const QString& text) {
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    if (ok)
        return value;
    return orderNumberValue(text);
}

enum class DateKind { DayOrDateTime, DateTime };

// A text that reads as a date in its ISO form (the day alone unless a time was given, or
// always with the time); any other text unchanged.
QVariant dateValue(const QString& text, DateKind kind) {
    const auto value = Regional::readDate(text);
    if (!value)
        return text;
    const bool withTime = kind == DateKind::DateTime || value->time() != QTime(0, 0);
    return isoText(*value, withTime);
}

// Appends a text between single quotes, each quote inside it doubled.
void appendQuoted(QString& to, const QString& text) {
    to += QLatin1Char('\'');
    if (text.contains(QLatin1Char('\'')))
        to += quoted(text);
    else
        to += text;
    to += QLatin1Char('\'');
}

} // namespace

struct Spelling {
    enum class Kind : quint8 { Literal, Bare, Quoted, Whole };
    struct Piece {
        Kind kind;
        const char* text;  // a literal piece as the text reads it
        const char* shape; // the piece as the shape reads it (a value's marker)
        qint64 number;     // a whole number written bare
        QString value;     // a value's text, written bare or between quotes
    };
    QVarLengthArray<Piece, 28> pieces;
};

Statement::Statement(const QString& text, QString shape, QVariantList values)
    : shape(std::move(shape)), values(std::move(values)) {
    if (text != this->shape) {
        auto spelling = std::make_shared<Spelling>();
        spelling->pieces.append({Spelling::Kind::Bare, nullptr, nullptr, 0, text});
        this->spelling = std::move(spelling);
    }
}

QString Statement::text() const {
    if (!spelling)
        return shape;
    QString text;
    text.reserve(shape.size() + 64);
    for (const Spelling::Piece& piece : spelling->pieces) {
        switch (piece.kind) {
        case Spelling::Kind::Literal:
            text += QLatin1String(piece.text);
            break;
        case Spelling::Kind::Bare:
            text += piece.value;
            break;
        case Spelling::Kind::Quoted:
            appendQuoted(text, piece.value);
            break;
        case Spelling::Kind::Whole:
            text += QString::number(piece.number);
            break;
        }
    }
    return text;
}

namespace {

// Builds both forms of a statement from one sequence of pieces: literal pieces go into
// both, each value goes into the text as the statement shows it and into the shape as a
// `?` with its typed value. Only the pieces are kept: the text is spelled out when asked
// for, and the shape is looked up by the sequence of its pieces (the same builder with the
// same choices gives the same shared shape, spelled out once).
class Build {
public:
    Build() : spelling_(std::make_shared<Spelling>()) { values_.reserve(12); }
    // A literal piece of both forms.
    Build& lit(const char* piece) { return both(piece, piece); }
    // A piece that reads differently in the two forms (an engine function the typed form
    // does not need, a comparison that must ignore letter case).
    Build& both(const char* text, const char* shape) {
        spelling_->pieces.append({Spelling::Kind::Literal, text, shape, 0, {}});
        return *this;
    }
    // A whole number written bare.
    Build& whole(std::int32_t value) {
        spelling_->pieces.append({Spelling::Kind::Whole, nullptr, kMark, value, {}});
        values_ << qlonglong(value);
        return *this;
    }
    // A whole number given as text, written bare.
    Build& bareWhole(const QString& text) { return value_(Spelling::Kind::Bare, kMark, text, wholeValue(text)); }
    // A text between quotes.
    Build& text(const QString& value) { return quotedValue(value, value); }
    // A code between quotes, compared without regard to letter case.
    Build& code(const QString& value) { return value_(Spelling::Kind::Quoted, kNoCaseMark, value, value); }
    // A value between quotes, typed as given.
    Build& quotedValue(const QString& text, const QVariant& value) {
        return value_(Spelling::Kind::Quoted, kMark, text, value);
    }
    Build& number(const QString& text) { return quotedValue(text, numberValue(text)); }
    Build& number(const QString& text, const QString& separator) {
        return quotedValue(text, numberValue(text, separator));
    }
    // cdbl('text'): a regional number read as a double; a text that is no number keeps
    // the engine function, which refuses it as a type mismatch.
    Build& cdbl(const QString& text) {
        const QVariant value = numberValue(text);
        const bool isNumber = value.typeId() == QMetaType::Double;
        both("cdbl(", isNumber ? "" : "cdbl(");
        quotedValue(text, value);
        return both(")", isNumber ? "" : ")");
    }
    Build& wholeText(const QString& text) { return quotedValue(text, wholeValue(text)); }
    Build& date(const QString& text, DateKind kind) { return quotedValue(text, dateValue(text, kind)); }

    Statement done() {
        Statement statement;
        statement.shape = shape();
        statement.values = std::move(values_);
        statement.spelling = std::move(spelling_);
        return statement;
    }

private:
    static constexpr const char* kMark = "?";
    static constexpr const char* kNoCaseMark = "? COLLATE NOCASE";

    Build& value_(Spelling::Kind kind, const char* mark, const QString& text, const QVariant& value) {
        spelling_->pieces.append({kind, nullptr, mark, 0, text});
        values_ << value;
        return *this;
    }

    // The shape of the pieces, spelled out the first time this thread meets their sequence.
    QString shape() const {
        using Sequence = QVarLengthArray<const char*, 28>;
        struct Known {
            Sequence pieces;
            QString shape;
        };
        thread_local QMultiHash<quint64, Known> known;
        Sequence pieces;
        quint64 key = 14695981039346656037ULL; // FNV-1a over the pieces' addresses
        for (const Spelling::Piece& piece : spelling_->pieces) {
            pieces.append(piece.shape);
            key = (key ^ quint64(reinterpret_cast<quintptr>(piece.shape))) * 1099511628211ULL;
        }
        for (auto it = known.constFind(key); it != known.cend() && it.key() == key; ++it)
            if (it->pieces == pieces)
                return it->shape;
        QString shape;
        for (const char* piece : pieces)
            shape += QLatin1String(piece);
        known.insert(key, Known{pieces, shape});
        return shape;
    }

    std::shared_ptr<Spelling> spelling_;
    QVariantList values_;
};

// The join of cancellations with their articles.
const char* const kJoin = "cancelaciones.INTNDC = articulos.INTNDC And cancelaciones.ARTINO = "
                          "articulos.ARTINO And cancelaciones.ARTSNO = articulos.ARTSNO";
const char* const kJoinNoCase = "cancelaciones.INTNDC = articulos.INTNDC COLLATE NOCASE And cancelaciones.ARTINO = "
                                "articulos.ARTINO And cancelaciones.ARTSNO = articulos.ARTSNO";

} // namespace

QString isoText(const QDateTime& value, bool withTime) {
    const QDate date = value.date();
    const QTime time = value.time();
    if (!date.isValid() || date.year() < 1 || date.year() > 9999 || (withTime && !time.isValid()))
        return value.toString(withTime ? QStringLiteral("yyyy-MM-dd HH:mm:ss") : QStringLiteral("yyyy-MM-dd"));
    char text[20];
    auto put = [&text](int at, int number, int width) {
        for (int i = at + width - 1; i >= at; --i, number /= 10)
            text[i] = char('0' + number % 10);
    };
    put(0, date.year(), 4);
    text[4] = '-';
    put(5, date.month(), 2);
    text[7] = '-';
    put(8, date.day(), 2);
    if (!withTime)
        return QString::fromLatin1(text, 10);
    text[10] = ' ';
    put(11, time.hour(), 2);
    text[13] = ':';
    put(14, time.minute(), 2);
    text[16] = ':';
    put(17, time.second(), 2);
    return QString::fromLatin1(text, 19);
}

QString quoted(const QString& text) {
    QString result = text;
    result.replace(QLatin1Char('\''), QStringLiteral("''"));
    return result;
}

QVariant orderNumberValue(const QString& text) {
    if (text.isEmpty())
        return QVariant();
    const QVariant value = numberValue(text);
    if (value.typeId() != QMetaType::Double)
        return text;
    const double rounded = std::nearbyint(value.toDouble()); // half to even under the default rounding
    if (std::fabs(rounded) < 9.2e18)
        return qlonglong(rounded);
    return rounded;
}

// The builders keep each fixed piece beside the value that follows it, so that a chain reads
// like the statement it makes.
// clang-format off
Statement deleteCancellation(const ArticleKey& a, const ExportItem& e) {
    return Build()
        .lit("delete from CANCELACIONES where INTNDC = ").code(a.intndc)
        .lit("  and ARTINO = ").whole(a.artino).lit("  and ARTSNO = ").whole(a.artsno)
        .lit("  and EXTNRO = ").code(e.extnro).lit("  and EXTITM = ").whole(e.extitm)
        .done();
}

Statement sumCancelled(const ArticleKey& a) {
    return Build()
        .lit("select sum(ARTCDS) as TOTAL from CANCELACIONES where INTNDC = ").code(a.intndc)
        .lit(" and ARTINO = ").whole(a.artino).lit(" and ARTSNO = ").whole(a.artsno)
        .done();
}

Statement updateAvailable(const ArticleKey& a, const QString& totalText) {
    return Build()
        .lit("update ARTICULOS set ARTDSC = cdbl(ARTCAN) - ").cdbl(totalText)
        .lit(" where INTNDC = ").code(a.intndc)
        .lit(" and ARTINO = ").whole(a.artino).lit(" and ARTSNO = ").whole(a.artsno)
        .done();
}

Statement cancellationsOfItem(const ExportItem& e) {
    return Build()
        .lit("select INTNDC, ARTINO, ARTSNO, ARTCDS, ARTEXP, ARTCER, ARTVEN, ARTORD "
             "from CANCELACIONES  where EXTNRO = ").code(e.extnro)
        .lit(" and EXTITM = ").whole(e.extitm).lit(" order by LINORD")
        .done();
}

Statement cancellationsWithArticles(const ExportItem& e) {
    return Build()
        .lit(" select cancelaciones.INTNDC as pINTNDC,ARTNCM,cancelaciones.ARTINO as "
             "pARTINO,cancelaciones.ARTSNO as pARTSNO,ARTCDS,ARTEXP,ARTCER,ARTORD "
             " from cancelaciones, articulos where  ")
        .both(kJoin, kJoinNoCase)
        .lit("  and EXTNRO = ").code(e.extnro).lit("  and EXTITM = ").whole(e.extitm)
        .lit(" order by EXTITM,cancelaciones.INTNDC,cancelaciones.ARTINO,cancelaciones.ARTSNO ")
        .done();
}

Statement deleteDeclarationCancellations(const QString& intndc) {
    return Build().lit("delete from CANCELACIONES where INTNDC = ").code(intndc).done();
}

Statement deleteDeclarationArticles(const QString& intndc) {
    return Build().lit("delete from ARTICULOS where INTNDC = ").code(intndc).done();
}

Statement deleteDeclaration(const QString& intndc) {
    return Build().lit("delete from OPERACIONES where INTNDC = ").code(intndc).done();
}

Statement declarationsByDate() { return Build().lit("select * from OPERACIONES order by INTFOF").done(); }

Statement articlesOfDeclaration(const QString& intndc) {
    return Build()
        .lit("select ARTNRO,ARTINO,ARTSNO,ARTNCM,ARTCAN,ARTUNI,ARTFOB,ARTDSC from "
             "ARTICULOS where INTNDC = ").code(intndc)
        .lit(" order by ARTINO,ARTSNO")
        .done();
}

Statement article(const ArticleKey& a) {
    return Build()
        .lit("select * from ARTICULOS where INTNDC= ").code(a.intndc)
        .lit("  and ARTINO = ").whole(a.artino).lit("  and ARTSNO = ").whole(a.artsno).lit(" ")
        .done();
}

Statement cancellationsOfArticle(const ArticleKey& a) {
    return Build()
        .lit("select EXTNRO, EXTITM, ARTCDS, EXTFDC from CANCELACIONES  where INTNDC = ").code(a.intndc)
        .lit(" and ARTINO = ").whole(a.artino).lit(" and ARTSNO = ").whole(a.artsno)
        .done();
}

Statement countCancellation(const ArticleKey& a, const ExportItem& e) {
    return Build()
        .lit("select count(LINORD) as Cantidad from CANCELACIONES  where INTNDC = ").code(a.intndc)
        .lit(" and ARTINO = ").whole(a.artino).lit(" and ARTSNO = ").whole(a.artsno)
        .lit(" and EXTNRO = ").code(e.extnro).lit(" and EXTITM = ").whole(e.extitm)
        .done();
}

Statement maxLineOrder(const ExportItem& e) {
    return Build()
        .lit("select max(LINORD) as mayor from CANCELACIONES where EXTNRO = ").code(e.extnro)
        .both("and EXTITM = ", " and EXTITM = ").whole(e.extitm)
        .done();
}

Statement insertCancellation(const NewCancellation& c) {
    Build b;
    b.lit("insert into CANCELACIONES(LINORD,INTNDC,ARTINO,ARTSNO,ARTCDS,"
          "ARTEXP,ARTCER,ARTVEN,ARTORD,EXTNRO,EXTITM,EXTFDC) values (");
    b.wholeText(c.linord).lit(",").text(c.intndc).lit(",").wholeText(c.artino).lit(",");
    b.wholeText(c.artsno).lit(",").number(c.artcds).lit(",");
    b.text(c.artexp).lit(",").text(c.artcer).lit(",").text(c.artven).lit(",");
    if (c.artord.isEmpty())
        b.lit("NULL");
    else
        b.quotedValue(c.artord, orderNumberValue(c.artord));
    b.lit(",").text(c.extnro).lit(",").wholeText(c.extitm).lit(",");
    if (c.at)
        b.quotedValue(c.now, isoText(*c.at, true));
    else
        b.date(c.now, DateKind::DateTime);
    b.lit(")");
    return b.done();
}

Statement availableOfArticle(const ArticleKey& a) {
    return Build()
        .lit("select ARTDSC from ARTICULOS where INTNDC = ").code(a.intndc)
        .lit("   and ARTINO = ").whole(a.artino).lit("  and ARTSNO = ").whole(a.artsno)
        .done();
}

Statement cancellation(const ArticleKey& a, const ExportItem& e) {
    return Build()
        .lit("select * from cancelaciones where EXTNRO = ").code(e.extnro)
        .lit("   and EXTITM = ").whole(e.extitm).lit("  and INTNDC = ").code(a.intndc)
        .lit("   and ARTINO = ").whole(a.artino).lit("  and ARTSNO = ").whole(a.artsno)
        .done();
}

Statement updateCancellation(const ArticleKey& a, const ExportItem& e, const CancellationUpdate& u) {
    Build b;
    b.lit("update CANCELACIONES set ARTCDS = ").cdbl(u.quantity);
    b.lit(",ARTEXP = ").text(u.artexp).lit(",ARTCER = ").text(u.artcer);
    b.lit(",ARTVEN = ").text(u.artven).lit(",ARTORD = ");
    if (u.artord.isEmpty())
        b.lit("NULL");
    else
        b.quotedValue(u.artord, orderNumberValue(u.artord));
    b.lit(",EXTFDC = ").date(u.now, DateKind::DateTime);
    b.lit(" where EXTNRO = ").code(e.extnro).lit("  and EXTITM = ").whole(e.extitm);
    b.lit("  and INTNDC = ").code(a.intndc);
    b.lit("  and ARTINO = ").whole(a.artino).lit("  and ARTSNO = ").whole(a.artsno);
    return b.done();
}

Statement countDeclaration(const QString& code) {
    return Build().lit("select count(INTNDC) as Cant from OPERACIONES where INTNDC = ").code(code).done();
}

Statement insertDeclaration(const QString& numero, const QString& intndc, const QString& intdsc,
                            const QString& intfof) {
    return Build()
        .lit("insert into OPERACIONES (NUMERO, INTNDC, INTDSC, INTFOF) values (")
        .text(numero).lit(",").text(intndc).lit(",").text(intdsc).lit(",")
        .date(intfof, DateKind::DayOrDateTime).lit(")")
        .done();
}

// clang-format on

// An import writes thousands of these: the regional separator is looked up once.
Statement insertArticle(const NewArticle& a) {
    const QString separator = Regional::decimalSeparator();
    Build b;
    b.lit("insert into ARTICULOS (ARTNRO,INTNDC,ARTINO,ARTSNO,ARTNCM,ARTCAN,ARTUNI,ARTFOB,ARTDSC) values (");
    b.text(a.artnro).lit(",").text(a.intndc).lit(",").bareWhole(a.artino).lit(",").bareWhole(a.artsno).lit(",");
    b.text(a.artncm).lit(",").number(a.artcan, separator).lit(",").number(a.artuni, separator).lit(",");
    b.number(a.artfob, separator).lit(",").number(a.artdsc, separator).lit(")");
    return b.done();
}

// clang-format off
Statement listingOfDeclaration(const QString& extnro) {
    return Build()
        .lit("select EXTITM,cancelaciones.INTNDC as pINTNDC,ARTNCM,cancelaciones.ARTINO as "
             "pARTINO,cancelaciones.ARTSNO as pARTSNO,ARTCDS,ARTEXP,ARTCER,ARTORD "
             "from cancelaciones, articulos where ")
        .both(kJoin, kJoinNoCase)
        .lit(" and EXTNRO = ").code(extnro)
        .lit(" order by EXTITM,cancelaciones.INTNDC,cancelaciones.ARTINO,cancelaciones.ARTSNO")
        .done();
}

Statement quantitiesOfArticle(const ArticleKey& a, const ExportItem* except) {
    Build b;
    b.lit("select cdbl(ARTCAN) as ARTCAN, (select sum(cdbl(ARTCDS)) from CANCELACIONES where INTNDC = ").code(a.intndc);
    b.lit(" and ARTINO = ").whole(a.artino).lit(" and ARTSNO = ").whole(a.artsno);
    if (except)
        b.lit(" and not (EXTNRO = ").code(except->extnro).lit(" and EXTITM = ").whole(except->extitm).lit(")");
    b.lit(") as TOTAL from ARTICULOS where INTNDC = ").code(a.intndc);
    b.lit(" and ARTINO = ").whole(a.artino).lit(" and ARTSNO = ").whole(a.artsno);
    return b.done();
}

Statement outsideItems(const QString& interno) {
    return Build()
        .lit("select id from item where interno = ").text(interno).lit(" and id<>0 order by id")
        .done();
}

Statement outsideSubItems(const QString& interno, const QString& id) {
    return Build()
        .lit("select idarticulo, id, ncm, cantidad, preciounitario, fob from "
             "groupsubitems where interno = ").text(interno)
        .lit(" and id = ").bareWhole(id).lit(" order by idsub")
        .done();
}

// clang-format on

} // namespace quendarx::sql
