#pragma once
// The import of one declaration from the outside customs database into stock, without
// its screen: what F11 on the import screen runs once the three fields are checked.
#include "data/Recordset.h"
#include <QString>
#include <functional>

namespace quendarx {

// What an import tells as it goes: the number of items once they are listed, then the
// id of each item as it is read.
struct ImportProgress {
    std::function<void(int count)> items;
    std::function<void(int id)> item;
};

// How an import ended: the message the clerk is told, its icon, and whether the
// declaration and all its articles were stored.
struct ImportOutcome {
    QString message;
    int icon = 0;
    bool done = false;
};

// Imports the declaration g_NumeroInterno of the outside database g_BaseExterna into the
// stock of the library state under `code`. The outside rows are read before anything is
// written, so the write lock is held only while the rows go in; a stop on the outside
// side keeps the rows it would have written before it. The outside connection stays in
// g_ConexionExterna and the record sets in rsItems and rsSubItems, for the caller to
// release. Throws RuntimeError for a run-time error (after saving what was read before
// it).
ImportOutcome importDeclaration(const QString& code, const QString& description, const QString& date,
                                Recordset& rsItems, Recordset& rsSubItems, const ImportProgress& progress = {});

} // namespace quendarx
