// sample-outside: an SQLite file standing in for the outside customs database, with the
// two tables the import reads and a few internal numbers that exercise it.
#include "DbTool.h"
#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <sqlite3.h>
#include <vector>

namespace quendarx::tool {

namespace {

const char* const kOutsideSchema = R"sql(
CREATE TABLE item (id INTEGER NOT NULL, interno TEXT NOT NULL, posicion TEXT,
                   descripcion TEXT, paisorigen TEXT);
CREATE TABLE groupsubitems (interno TEXT NOT NULL, id INTEGER NOT NULL, idsub INTEGER NOT NULL,
                            idarticulo TEXT, ncm TEXT, cantidad REAL, preciounitario REAL,
                            fob REAL, unidad TEXT, descripcion TEXT);
CREATE INDEX item_interno ON item (interno, id);
CREATE INDEX groupsubitems_interno ON groupsubitems (interno, id, idsub);
)sql";

struct SubItem {
    int idsub;
    QString idarticulo, ncm;
    double cantidad, preciounitario;
    QString unidad, descripcion;
};

struct Item {
    int id;
    QString posicion, descripcion;
    std::vector<SubItem> subItems;
};

class OutsideDb {
public:
    explicit OutsideDb(sqlite3* db) : db_(db) {
        prepare("insert into item (id, interno, posicion, descripcion, paisorigen) "
                "values (?, ?, ?, ?, 'CN')",
                &item_);
        prepare("insert into groupsubitems (interno, id, idsub, idarticulo, ncm, cantidad, "
                "preciounitario, fob, unidad, descripcion) values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                &sub_);
    }
    ~OutsideDb() {
        sqlite3_finalize(item_);
        sqlite3_finalize(sub_);
    }
    OutsideDb(const OutsideDb&) = delete;
    OutsideDb& operator=(const OutsideDb&) = delete;

    void add(const QString& interno, const Item& item) {
        bindText(item_, 2, interno);
        sqlite3_bind_int(item_, 1, item.id);
        bindText(item_, 3, item.posicion);
        bindText(item_, 4, item.descripcion);
        run(item_);
        for (const auto& s : item.subItems) {
            bindText(sub_, 1, interno);
            sqlite3_bind_int(sub_, 2, item.id);
            sqlite3_bind_int(sub_, 3, s.idsub);
            bindText(sub_, 4, s.idarticulo);
            bindText(sub_, 5, s.ncm);
            sqlite3_bind_double(sub_, 6, s.cantidad);
            sqlite3_bind_double(sub_, 7, s.preciounitario);
            sqlite3_bind_double(sub_, 8, std::round(s.cantidad * s.preciounitario * 100) / 100);
            bindText(sub_, 9, s.unidad);
            bindText(sub_, 10, s.descripcion);
            run(sub_);
        }
    }

private:
    void prepare(const char* sql, sqlite3_stmt** st) {
        if (sqlite3_prepare_v2(db_, sql, -1, st, nullptr) != SQLITE_OK)
            throw QString::fromUtf8(sqlite3_errmsg(db_));
    }
    static void bindText(sqlite3_stmt* st, int i, const QString& text) {
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(st, i, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
    }
    void run(sqlite3_stmt* st) {
        const int rc = sqlite3_step(st);
        sqlite3_reset(st);
        if (rc != SQLITE_DONE)
            throw QString::fromUtf8(sqlite3_errmsg(db_));
    }

    sqlite3* db_;
    sqlite3_stmt* item_ = nullptr;
    sqlite3_stmt* sub_ = nullptr;
};

SubItem sub(int idsub, const char* code, const char* ncm, double quantity, double price, const char* description) {
    return {idsub, QString::fromUtf8(code), QString::fromUtf8(ncm),        quantity,
            price, QStringLiteral("UN"),    QString::fromUtf8(description)};
}

struct Sample {
    QString interno;
    QString what;
    std::vector<Item> items;
};

std::vector<Sample> samples() {
    std::vector<Sample> list;
    list.push_back({QStringLiteral("2001"),
                    QStringLiteral("one sub-item per item"),
                    {{1,
                      QStringLiteral("8482.10.10"),
                      QStringLiteral("Rodamientos"),
                      {sub(1, "SKF-6204-2RS", "8482.10.10", 500, 2.35, "Rodamiento rígido de bolas")}},
                     {2,
                      QStringLiteral("4010.35.00"),
                      QStringLiteral("Correas"),
                      {sub(1, "GT2-1220", "4010.35.00", 200, 4.6, "Correa dentada GT2")}},
                     {3,
                      QStringLiteral("7318.15.00"),
                      QStringLiteral("Tornillos"),
                      {sub(1, "DIN912-M6x20", "7318.15.00", 2500, 0.0315, "Tornillo Allen M6x20")}}}});
    // Sub-items stored out of idsub order: the import must take them in idsub order.
    list.push_back({QStringLiteral("2002"),
                    QStringLiteral("several sub-items per item"),
                    {{1,
                      QStringLiteral("8448.42.00"),
                      QStringLiteral("Peines para telares"),
                      {sub(3, "TL-2207", "8448.42.00", 25, 41.2, "Peine 120 dientes"),
                       sub(1, "TL-2205", "8448.42.00", 40, 33.1, "Peine 80 dientes"),
                       sub(2, "TL-2206", "8448.42.00", 60, 29.85, "Peine 100 dientes")}},
                     {2,
                      QStringLiteral("8452.30.00"),
                      QStringLiteral("Agujas"),
                      {sub(1, "GR-80.52", "8452.30.00", 10000, 0.0845, "Aguja 80/12"),
                       sub(2, "GR-80.70", "8452.30.00", 6000, 0.0912, "Aguja 90/14")}}}});
    list.push_back({QStringLiteral("2003"),
                    QStringLiteral("an item with id 0 (never imported)"),
                    {{0,
                      QStringLiteral("0000.00.00"),
                      QStringLiteral("Total de la declaración"),
                      {sub(1, "TOTAL", "0000.00.00", 1, 0, "Fila de totales")}},
                     {1,
                      QStringLiteral("5402.33.00"),
                      QStringLiteral("Hilados"),
                      {sub(1, "PES-150D48F", "5402.33.00", 1250.5, 3.1275, "Hilado poliéster 150D")}},
                     {2,
                      QStringLiteral("5402.47.00"),
                      QStringLiteral("Hilados"),
                      {sub(1, "PES-300D96F", "5402.47.00", 800, 2.9, "Hilado poliéster 300D")}}}});
    list.push_back({QStringLiteral("2004"),
                    QStringLiteral("a gap in the item ids (1, 2, 4)"),
                    {{1,
                      QStringLiteral("8483.40.10"),
                      QStringLiteral("Reductores"),
                      {sub(1, "RD-40-1:20", "8483.40.10", 12, 185.5, "Reductor sinfín 1:20")}},
                     {2,
                      QStringLiteral("8501.52.10"),
                      QStringLiteral("Motores"),
                      {sub(1, "MT-1.5KW-4P", "8501.52.10", 12, 312.75, "Motor trifásico 1,5 kW")}},
                     {4,
                      QStringLiteral("8536.50.90"),
                      QStringLiteral("Interruptores"),
                      {sub(1, "SW-22MM-NA", "8536.50.90", 48, 3.4, "Pulsador 22 mm NA")}}}});
    Sample large{QStringLiteral("2005"), QStringLiteral("1000 items x 5 sub-items"), {}};
    static const char* const ncms[] = {"8448.59.90", "8482.10.10", "4010.35.00", "7318.15.00",
                                       "8452.30.00", "5402.33.00", "8483.40.10"};
    for (int id = 1; id <= 1000; ++id) {
        Item item{id, QString::fromLatin1(ncms[id % 7]), QStringLiteral("Partida %1").arg(id), {}};
        for (int s = 1; s <= 5; ++s) {
            const QString code = QStringLiteral("ART-%1-%2").arg(id, 4, 10, QLatin1Char('0')).arg(s);
            item.subItems.push_back({s, code, QString::fromLatin1(ncms[(id + s) % 7]),
                                     double((id * 7 + s * 3) % 97 + 1) * 5,
                                     std::round(((id + s) % 23 + 1) * 1.37 * 10000) / 10000, QStringLiteral("UN"),
                                     QStringLiteral("Repuesto %1").arg(code)});
        }
        large.items.push_back(std::move(item));
    }
    list.push_back(std::move(large));
    return list;
}

} // namespace

int sampleOutsideCommand(const QString& path) {
    if (QFileInfo::exists(path)) {
        err(QStringLiteral("quendarx-db: %1 already exists").arg(path));
        return 1;
    }
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK) {
        err(QStringLiteral("quendarx-db: %1: %2").arg(path, QString::fromUtf8(sqlite3_errmsg(db))));
        sqlite3_close(db);
        QFile::remove(path);
        return 1;
    }
    const std::vector<Sample> list = samples();
    try {
        if (sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK ||
            sqlite3_exec(db, kOutsideSchema, nullptr, nullptr, nullptr) != SQLITE_OK)
            throw QString::fromUtf8(sqlite3_errmsg(db));
        {
            OutsideDb outside(db);
            for (const auto& s : list)
                for (const auto& item : s.items)
                    outside.add(s.interno, item);
        }
        if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
            throw QString::fromUtf8(sqlite3_errmsg(db));
    } catch (const QString& reason) {
        err(QStringLiteral("quendarx-db: %1: %2").arg(path, reason));
        sqlite3_close(db);
        QFile::remove(path);
        return 1;
    }
    sqlite3_close(db);

    out(QStringLiteral("created outside database %1 (connection string Driver=SQLite3;Database=%1)").arg(path));
    for (const auto& s : list) {
        std::size_t subItems = 0;
        for (const auto& item : s.items)
            subItems += item.subItems.size();
        out(QStringLiteral("  interno %1: %2 items, %3 sub-items - %4")
                .arg(s.interno)
                .arg(s.items.size())
                .arg(subItems)
                .arg(s.what));
    }
    return 0;
}

} // namespace quendarx::tool
