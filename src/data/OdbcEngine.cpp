// The outside engine: an ODBC connection string through Qt SQL's ODBC driver. Each
// instance has a connection name of its own that also carries the thread.
#include "data/ConnectionString.h"
#include "data/Engine.h"
#include "platform/RuntimeError.h"
#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>
#include <atomic>

namespace quendarx {

namespace {

QString uniqueConnectionName() {
    static std::atomic<quint64> counter{0};
    return QStringLiteral("quendarx-odbc-%1-%2")
        .arg(reinterpret_cast<quintptr>(QThread::currentThreadId()))
        .arg(++counter);
}

QString errorText(const QSqlError& error) {
    QString text = error.text().trimmed();
    return text.isEmpty() ? QStringLiteral("unknown ODBC error") : text;
}

QVariant normalized(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return QVariant();
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
        return QVariant(value.toLongLong());
    case QMetaType::ULongLong:
    case QMetaType::ULong:
        return QVariant(static_cast<qlonglong>(value.toULongLong()));
    case QMetaType::Float:
    case QMetaType::Double:
        return QVariant(value.toDouble());
    case QMetaType::QDate:
        return QDateTime(value.toDate(), QTime(0, 0));
    case QMetaType::QDateTime:
        return value.toDateTime();
    case QMetaType::QString:
        return value.toString();
    default:
        return value;
    }
}

class OdbcEngine : public Engine {
public:
    explicit OdbcEngine(QString name) : name_(std::move(name)) {}
    ~OdbcEngine() override {
        {
            QSqlDatabase db = QSqlDatabase::database(name_, false);
            if (db.isValid())
                db.close();
        }
        QSqlDatabase::removeDatabase(name_);
    }

    void open(const QString& connectionString) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name_);
        if (!db.isValid())
            throw RuntimeError(errDatabase, QStringLiteral("the ODBC driver is not available"),
                               QStringLiteral("clConexion"));
        db.setDatabaseName(odbcDatabaseName(connectionString));
        if (!db.open())
            throw RuntimeError(errDatabase, errorText(db.lastError()), QStringLiteral("clConexion"));
    }

    bool query(const QString& sql, Recordset& rs, QString* error) override {
        QSqlQuery q(QSqlDatabase::database(name_, false));
        q.setForwardOnly(true);
        q.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
        if (!q.exec(sql) || !q.isSelect())
            return fail(q, error, QStringLiteral("the statement gives no rows"));
        const QSqlRecord record = q.record();
        QStringList columns;
        for (int i = 0; i < record.count(); ++i)
            columns << record.fieldName(i);
        std::vector<std::vector<QVariant>> rows;
        while (q.next()) {
            std::vector<QVariant> row;
            row.reserve(static_cast<std::size_t>(record.count()));
            for (int i = 0; i < record.count(); ++i)
                row.push_back(normalized(q.value(i)));
            rows.push_back(std::move(row));
        }
        if (q.lastError().isValid())
            return fail(q, error, QString());
        rs = Recordset(std::move(columns), std::move(rows));
        return true;
    }

    std::optional<int> execute(const QString& sql, QString* error) override {
        QSqlQuery q(QSqlDatabase::database(name_, false));
        if (!q.exec(sql)) {
            fail(q, error, QString());
            return std::nullopt;
        }
        return q.numRowsAffected();
    }

private:
    static bool fail(const QSqlQuery& q, QString* error, const QString& fallback) {
        if (error)
            *error = q.lastError().isValid() ? errorText(q.lastError()) : fallback;
        return false;
    }

    QString name_;
};

} // namespace

std::unique_ptr<Engine> openOdbcEngine(const QString& connectionString) {
    auto engine = std::make_unique<OdbcEngine>(uniqueConnectionName());
    engine->open(connectionString); // a failure removes the connection with the engine
    return engine;
}

} // namespace quendarx
