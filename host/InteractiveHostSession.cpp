#include "InteractiveHostSession.h"
#include "script/Commands.h"
#include <QJsonArray>
#include <QJsonDocument>

namespace quendarx::host {

namespace {

QJsonArray jsonArrayOf(const QString& line) { return QJsonDocument::fromJson(line.toUtf8()).array(); }

} // namespace

RecordsetTable recordsetTable(const QStringList& recordsetLines) {
    RecordsetTable table;
    if (recordsetLines.isEmpty() || recordsetLines.first() == u"nothing")
        return table;
    table.nothing = false;
    for (const QJsonValue name : jsonArrayOf(recordsetLines.first()))
        table.columns << name.toString();
    for (qsizetype i = 1; i < recordsetLines.size(); ++i) {
        std::vector<QVariant> row;
        for (const QJsonValue value : jsonArrayOf(recordsetLines[i])) {
            if (value.isDouble())
                row.emplace_back(value.toDouble());
            else if (value.isString())
                row.emplace_back(value.toString());
            else if (value.isBool())
                row.emplace_back(value.toBool());
            else
                row.emplace_back(); // null
        }
        table.rows.push_back(std::move(row));
    }
    return table;
}

QString outcomeText(const QString& shownAs, const InvokeOutcome& outcome) {
    if (outcome.failed)
        return QStringLiteral("%1: error %2 %3").arg(shownAs).arg(outcome.errorNumber).arg(outcome.errorDescription);
    QString text = shownAs + u':' + u' ' + (outcome.result.isEmpty() ? QStringLiteral("hecho") : outcome.result);
    if (!outcome.recordsetLines.isEmpty()) {
        const RecordsetTable table = recordsetTable(outcome.recordsetLines);
        text += table.nothing ? QStringLiteral(" (sin registros)")
                              : QStringLiteral(" (%1 %2)")
                                    .arg(table.rows.size())
                                    .arg(table.rows.size() == 1 ? QStringLiteral("fila") : QStringLiteral("filas"));
    }
    return text;
}

HostSession::~HostSession() {
    for (auto* slot : {&cancelMain_, &importar_})
        if (*slot)
            (*slot)->dispatch->Release();
}

const ComObject& HostSession::object(HostClass cls) {
    auto& slot = cls == HostClass::CancelMain ? cancelMain_ : importar_;
    if (!slot)
        slot = createObject(progIdForClass(cls == HostClass::CancelMain ? QStringLiteral("clcancelMain")
                                                                        : QStringLiteral("clImportar")));
    return *slot;
}

std::optional<QString> HostSession::put(HostClass cls, const QString& property, const QString& value) {
    const ComObject& target = object(cls);
    const InvokeOutcome outcome = invokePut(target, memberId(target, property, property), value);
    if (!outcome.failed)
        return std::nullopt;
    return outcomeText(property, outcome);
}

InvokeOutcome HostSession::call(HostClass cls, const QString& member, const std::vector<Argument>& arguments) {
    const ComObject& target = object(cls);
    return invokeMethod(target, memberId(target, member, member), arguments, isRecordsetMember(member));
}

} // namespace quendarx::host
