#include "FaultSupport.h"
#include <QFile>

namespace quendarx::test {

void addArticles(const QString& path, int articles) {
    execFile(path, QStringLiteral("insert into OPERACIONES values ('1', 'D-1', 'Importacion', '2026-01-15');"
                                  "with recursive n(a) as (select 1 union all select a + 1 from n where a < %1) "
                                  "insert into ARTICULOS select 'ART-' || a, 'D-1', a, 0, '8471.30.00', 1000.0, 1.5, "
                                  "1500.0, 1000.0 from n")
                       .arg(articles));
}

void makeOutside(const QString& path, const QString& interno, int items, int subItems) {
    QFile(path).open(QIODevice::WriteOnly); // an empty file is an empty database
    execFile(path, QStringLiteral("create table item (id integer not null, interno text not null, posicion text);"
                                  "create table groupsubitems (interno text not null, id integer not null, idsub "
                                  "integer not null, idarticulo text, ncm text, cantidad real, preciounitario real, "
                                  "fob real); create index item_interno on item (interno, id);"
                                  "create index groupsubitems_interno on groupsubitems (interno, id, idsub);"
                                  "with recursive n(i) as (select 1 union all select i + 1 from n where i < %2) "
                                  "insert into item select i, '%1', '8471.30.00' from n;"
                                  "with recursive s(j) as (select 1 union all select j + 1 from s where j < %3) "
                                  "insert into groupsubitems select '%1', id, j, 'ART-' || id || '-' || j, "
                                  "'8471.30.00', 10 + j, 1.5, (10 + j) * 1.5 from item, s")
                       .arg(interno)
                       .arg(items)
                       .arg(subItems));
}

int countRows(const QString& path, const QString& fromWhere) {
    return queryFile(path, "select count(*) " + fromWhere).value(0).toInt();
}

int unbalancedArticles(const QString& path) {
    return countRows(path, "from ARTICULOS a where ARTDSC != ARTCAN - (select coalesce(sum(ARTCDS), 0) "
                           "from CANCELACIONES c where c.INTNDC = a.INTNDC and c.ARTINO = a.ARTINO "
                           "and c.ARTSNO = a.ARTSNO)");
}

void expectStockSound(const QString& path) {
    EXPECT_EQ(queryFile(path, "PRAGMA integrity_check"), QStringList{"ok"});
    // Rows of other types than a save writes, or without their article or declaration.
    EXPECT_EQ(queryFile(path, "select LINORD from CANCELACIONES c where typeof(ARTCDS) != 'real' or EXTFDC not like "
                              "'____-__-__ __:__:__' or not exists (select 1 from ARTICULOS a where a.INTNDC = "
                              "c.INTNDC and a.ARTINO = c.ARTINO and a.ARTSNO = c.ARTSNO) union all select ARTINO from "
                              "ARTICULOS where typeof(ARTDSC) != 'real' or INTNDC not in (select INTNDC from "
                              "OPERACIONES)"),
              QStringList());
}

std::unique_ptr<QProcess> startWorker(const QStringList& args, const std::function<void(QProcess&)>& setup) {
    auto process = std::make_unique<QProcess>();
    process->setProgram(QX_FAULT_WORKER);
    process->setArguments(args);
    if (setup)
        setup(*process);
    process->start();
    process->waitForStarted(10000);
    return process;
}

WorkerRun collect(QProcess& process) {
    const bool ended = process.state() == QProcess::NotRunning && process.exitStatus() == QProcess::NormalExit;
    return {ended ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts),
            QString::fromUtf8(process.readAllStandardError())};
}

WorkerRun runWorker(const QStringList& args, int timeoutMs, const std::function<void(QProcess&)>& setup) {
    auto process = startWorker(args, setup);
    if (!process->waitForFinished(timeoutMs)) {
        process->kill();
        process->waitForFinished(5000);
    }
    return collect(*process);
}

int repetitions(const char* variable, int fallback) {
    const int value = qEnvironmentVariableIntValue(variable);
#if defined(__SANITIZE_ADDRESS__)
    fallback = std::max(1, fallback / 3);
#endif
    return value > 0 ? value : fallback;
}

} // namespace quendarx::test
