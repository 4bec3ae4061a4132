#pragma once
// The interactive host's two objects, driven as any late-binding host drives them: created
// from their ProgIDs through the registry, every property put and every call by name
// through dispatch.
#include "ComClient.h"
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>
#include <vector>

namespace quendarx::host {

enum class HostClass { CancelMain, Importar };

// A record set the library handed back: its column names and rows (strings, numbers or
// null as invalid QVariants). `nothing` when the library left the reference empty.
struct RecordsetTable {
    bool nothing = true;
    QStringList columns;
    std::vector<std::vector<QVariant>> rows;
};

// The record set of an outcome's RS lines.
RecordsetTable recordsetTable(const QStringList& recordsetLines);

// What the status line says of a call: "Conectar_DB: True", "Imprimir: error 482 Printer
// error", "Obtener_Items: True (2 filas)".
QString outcomeText(const QString& shownAs, const InvokeOutcome& outcome);

class HostSession {
public:
    HostSession() = default;
    ~HostSession();
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;

    // A property put; nothing when it went through, else the status text of the failure.
    // Throws ScriptError when the class cannot be created or lacks the property.
    std::optional<QString> put(HostClass cls, const QString& property, const QString& value);
    // A method call (a record-set reference is passed for the two record-set members).
    // Throws ScriptError when the class cannot be created or lacks the member.
    InvokeOutcome call(HostClass cls, const QString& member, const std::vector<Argument>& arguments = {});

private:
    const ComObject& object(HostClass cls);

    std::optional<ComObject> cancelMain_;
    std::optional<ComObject> importar_;
};

} // namespace quendarx::host
