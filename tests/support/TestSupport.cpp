#include "support/TestSupport.h"
#include "data/Schema.h"
#include <QCoreApplication>
#include <QFile>
#include <sqlite3.h>
#include <stdexcept>

namespace quendarx::test {

int RecordingMessageBoxes::show(const QString& text, int style) {
    shown.push_back({style, text});
    if ((style & 7) != vbYesNo)
        return vbOK;
    if (answers_.empty())
        return vbNo;
    int answer = answers_.front();
    answers_.pop_front();
    return answer;
}

QStringList RecordingMessageBoxes::texts() const {
    QStringList out;
    for (const ShownBox& box : shown)
        out << QString::number(box.style) + QLatin1Char(' ') + box.text;
    return out;
}

namespace {
struct Db {
    sqlite3* db = nullptr;
    explicit Db(const QString& path) {
        if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db));
        sqlite3_busy_timeout(db, 5000);
        registerEngineFunctions(db);
    }
    ~Db() { sqlite3_close(db); }
};
// The stocks made by other hands are those the host scripts start from too.
QString schemaFile(const char* name) {
    QFile file(QStringLiteral(QUENDARX_TEST_SCRIPTS_DIR "/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + file.fileName().toStdString());
    return QString::fromUtf8(file.readAll());
}

void createStock(const QString& path, StockKind kind) {
    if (kind == StockKind::Library) {
        QString error;
        if (!createLocalDatabase(path, &error))
            throw std::runtime_error(error.toStdString());
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        throw std::runtime_error("cannot create " + path.toStdString());
    file.close();
    execFile(path, schemaFile(kind == StockKind::Plain ? "plain-stock.sql" : "previous-stock.sql") +
                       QStringLiteral("PRAGMA journal_mode=WAL;"));
}

} // namespace

ScratchDatabase::ScratchDatabase(StockKind kind) {
    path_ = dir_.filePath(QStringLiteral("stock.db"));
    createStock(path_, kind);
}

void execFile(const QString& path, const QString& statement) {
    Db d(path);
    char* err = nullptr;
    if (sqlite3_exec(d.db, statement.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::string message = err ? err : "error";
        sqlite3_free(err);
        throw std::runtime_error(message + " in: " + statement.toStdString());
    }
}

QStringList queryFile(const QString& path, const QString& statement) {
    Db d(path);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(d.db, statement.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(d.db));
    QStringList rows;
    while (sqlite3_step(st) == SQLITE_ROW) {
        QStringList cells;
        for (int i = 0; i < sqlite3_column_count(st); ++i) {
            if (sqlite3_column_type(st, i) == SQLITE_NULL)
                cells << QStringLiteral("NULL");
            else
                cells << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i)));
        }
        rows << cells.join(QLatin1Char('|'));
    }
    sqlite3_finalize(st);
    return rows;
}

int locksHeld() {
    QFile file(QStringLiteral("/proc/locks"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray pid = QByteArray::number(QCoreApplication::applicationPid());
    int count = 0;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (line.contains("POSIX") && line.simplified().split(' ').contains(pid))
            ++count;
    return count;
}

} // namespace quendarx::test
