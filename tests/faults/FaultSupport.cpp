#include "FaultSupport.h"
#include "data/Schema.h"
#include <sqlite3.h>
#include <stdexcept>

namespace quendarx::test {

namespace {

struct Handle {
    sqlite3* db = nullptr;
    explicit Handle(const QString& path, int flags = SQLITE_OPEN_READWRITE) {
        if (sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db));
        sqlite3_busy_timeout(db, 10000);
        registerEngineFunctions(db);
    }
    ~Handle() { sqlite3_close(db); }
};

void execHandle(const Handle& h, const QString& statements) {
    char* error = nullptr;
    if (sqlite3_exec(h.db, statements.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string reason = error ? error : "error";
        sqlite3_free(error);
        throw std::runtime_error(reason);
    }
}

} // namespace

void execFile(const QString& path, const QString& statements) { execHandle(Handle(path), statements); }

QStringList queryFile(const QString& path, const QString& statement) {
    Handle h(path);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(h.db, statement.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(h.db));
    QStringList rows;
    while (sqlite3_step(st) == SQLITE_ROW) {
        QStringList cells;
        for (int i = 0; i < sqlite3_column_count(st); ++i)
            cells << (sqlite3_column_type(st, i) == SQLITE_NULL
                          ? QStringLiteral("NULL")
                          : QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i))));
        rows << cells.join(QLatin1Char('|'));
    }
    sqlite3_finalize(st);
    return rows;
}

void addArticles(const QString& path, int articles) {
    QString script = QStringLiteral("begin; insert into OPERACIONES values ('1', 'D-1', 'Importacion', '2026-01-15');");
    for (int a = 1; a <= articles; ++a)
        script += QStringLiteral("insert into ARTICULOS values ('ART-%1', 'D-1', %1, 0, '8471.30.00', 1000, 1.5, 1500, 1000);")
                      .arg(a);
    execFile(path, script + QStringLiteral("commit;"));
}

void makeOutside(const QString& path, const QString& interno, int items, int subItems) {
    QString script = QStringLiteral(
        "begin;"
        "create table item (id integer not null, interno text not null, posicion text);"
        "create table groupsubitems (interno text not null, id integer not null, idsub integer not null,"
        " idarticulo text, ncm text, cantidad real, preciounitario real, fob real);"
        "create index item_interno on item (interno, id);"
        "create index groupsubitems_interno on groupsubitems (interno, id, idsub);");
    for (int i = 1; i <= items; ++i) {
        script += QStringLiteral("insert into item values (%1, '%2', '8471.30.00');").arg(i).arg(interno);
        for (int s = 1; s <= subItems; ++s)
            script += QStringLiteral("insert into groupsubitems values ('%1', %2, %3, 'ART-%2-%3', '8471.30.00', %4, 1.5, %5);")
                          .arg(interno).arg(i).arg(s).arg(10 + s).arg((10 + s) * 1.5);
    }
    execHandle(Handle(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE), script + QStringLiteral("commit;"));
}

int countRows(const QString& path, const QString& fromWhere) {
    return queryFile(path, QStringLiteral("select count(*) ") + fromWhere).value(0).toInt();
}

int unbalancedArticles(const QString& path) {
    return countRows(path, QStringLiteral("from ARTICULOS a where ARTDSC != ARTCAN - (select coalesce(sum(ARTCDS), 0) "
                                          "from CANCELACIONES c where c.INTNDC = a.INTNDC and c.ARTINO = a.ARTINO "
                                          "and c.ARTSNO = a.ARTSNO)"));
}

QStringList registerArgs(const QString& path, const QString& exportItem, const QString& first, int count) {
    return {QStringLiteral("register"), path, exportItem, QStringLiteral("1"), QStringLiteral("D-1"), first,
            QString::number(count)};
}

QStringList shownBoxes(RecordingMessageBoxes& boxes) {
    QStringList shown;
    for (const ShownBox& box : boxes.shown)
        shown << QString::number(box.style) + QLatin1Char(' ') + box.text;
    boxes.shown.clear();
    return shown;
}

std::unique_ptr<QProcess> startWorker(const QStringList& args, const std::function<void(QProcess&)>& setup) {
    auto process = std::make_unique<QProcess>();
    process->setProgram(QStringLiteral(QX_FAULT_WORKER));
    process->setArguments(args);
    if (setup)
        setup(*process);
    process->start();
    process->waitForStarted(10000);
    return process;
}

WorkerRun collect(QProcess& process) {
    WorkerRun run;
    run.finished = process.state() == QProcess::NotRunning;
    run.exitCode = run.finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    run.lines = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    run.errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

WorkerRun runWorker(const QStringList& args, int timeoutMs, const std::function<void(QProcess&)>& setup) {
    auto process = startWorker(args, setup);
    if (!process->waitForFinished(timeoutMs)) {
        process->kill();
        process->waitForFinished(5000);
    }
    return collect(*process);
}

void expectStockSound(const QString& path) {
    auto query = [&](const QString& statement) { return queryFile(path, statement); };
    EXPECT_EQ(query(QStringLiteral("PRAGMA integrity_check")), QStringList{QStringLiteral("ok")});
    // Rows the triggers did not finish converting, or with a part missing.
    EXPECT_EQ(query(QStringLiteral(
                  "select LINORD, INTNDC, ARTINO, ARTSNO, ARTCDS, EXTNRO, EXTITM, EXTFDC from CANCELACIONES "
                  "where typeof(ARTCDS) not in ('real', 'integer') or typeof(ARTORD) not in ('null', 'integer') "
                  "or EXTFDC not glob '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]' "
                  "or ARTEXP is null or ARTCER is null or ARTVEN is null "
                  "or not exists (select 1 from ARTICULOS a where a.INTNDC = CANCELACIONES.INTNDC "
                  "and a.ARTINO = CANCELACIONES.ARTINO and a.ARTSNO = CANCELACIONES.ARTSNO)")),
              QStringList());
    EXPECT_EQ(query(QStringLiteral(
                  "select INTNDC, ARTINO, ARTSNO from ARTICULOS where ARTNRO is null or ARTNCM is null "
                  "or typeof(ARTCAN) != 'real' or typeof(ARTUNI) != 'real' or typeof(ARTFOB) != 'real' "
                  "or typeof(ARTDSC) != 'real' "
                  "or not exists (select 1 from OPERACIONES o where o.INTNDC = ARTICULOS.INTNDC)")),
              QStringList());
    EXPECT_EQ(query(QStringLiteral("select INTNDC from OPERACIONES where INTFOF not glob "
                                      "'[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]' or NUMERO is null or INTDSC is null")),
              QStringList());
}

LogFile::LogFile() : previous_(qgetenv("QUENDARX_LOG")), path_(dir_.filePath(QStringLiteral("quendarx.log"))) {
    QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther |
                                           QFile::WriteOther | QFile::ExeOther);
    qputenv("QUENDARX_LOG", path_.toUtf8());
}

LogFile::~LogFile() { qputenv("QUENDARX_LOG", previous_); }

QString LogFile::text() const {
    QFile file(path_);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

int repetitions(const char* variable, int fallback) {
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(variable, &ok);
    if (ok && value > 0)
        return value;
#if defined(__SANITIZE_ADDRESS__)
    return std::max(1, fallback / 3);
#else
    return fallback;
#endif
}

} // namespace quendarx::test
