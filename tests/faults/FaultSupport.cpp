#include "FaultSupport.h"
#include <QFile>

namespace quendarx::test {

void addArticles(const QString& path, int articles) {
    QString script = "begin; insert into OPERACIONES values ('1', 'D-1', 'Importacion', '2026-01-15');";
    for (int a = 1; a <= articles; ++a)
        script += QStringLiteral("insert into ARTICULOS values ('ART-%1', 'D-1', %1, 0, '8471.30.00', "
                                 "1000, 1.5, 1500, 1000);")
                      .arg(a);
    execFile(path, script + "commit;");
}

void makeOutside(const QString& path, const QString& interno, int items, int subItems) {
    QFile(path).open(QIODevice::WriteOnly); // an empty file is an empty database
    QString script = "begin; create table item (id integer not null, interno text not null, posicion text);"
                     "create table groupsubitems (interno text not null, id integer not null,"
                     " idsub integer not null, idarticulo text, ncm text, cantidad real, preciounitario real,"
                     " fob real); create index item_interno on item (interno, id);"
                     "create index groupsubitems_interno on groupsubitems (interno, id, idsub);";
    for (int i = 1; i <= items; ++i) {
        script += QStringLiteral("insert into item values (%1, '%2', '8471.30.00');").arg(i).arg(interno);
        for (int s = 1; s <= subItems; ++s)
            script += QStringLiteral("insert into groupsubitems values ('%1', %2, %3, 'ART-%2-%3', "
                                     "'8471.30.00', %4, 1.5, %5);")
                          .arg(interno)
                          .arg(i)
                          .arg(s)
                          .arg(10 + s)
                          .arg((10 + s) * 1.5);
    }
    execFile(path, script + "commit;");
}

int countRows(const QString& path, const QString& fromWhere) {
    return queryFile(path, "select count(*) " + fromWhere).value(0).toInt();
}

int unbalancedArticles(const QString& path) {
    return countRows(path, "from ARTICULOS a where ARTDSC != ARTCAN - (select coalesce(sum(ARTCDS), 0) "
                           "from CANCELACIONES c where c.INTNDC = a.INTNDC and c.ARTINO = a.ARTINO "
                           "and c.ARTSNO = a.ARTSNO)");
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

void expectStockSound(const QString& path) {
    EXPECT_EQ(queryFile(path, "PRAGMA integrity_check"), QStringList{"ok"});
    // Rows stored with other types than the library writes, or with a part missing.
    EXPECT_EQ(queryFile(path, "select LINORD, INTNDC, ARTINO, ARTSNO, ARTCDS, EXTNRO, EXTITM, EXTFDC from "
                              "CANCELACIONES where typeof(ARTCDS) not in ('real', 'integer') "
                              "or typeof(ARTORD) not in ('null', 'integer') or EXTFDC not glob "
                              "'[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]' "
                              "or ARTEXP is null or ARTCER is null or ARTVEN is null "
                              "or not exists (select 1 from ARTICULOS a where a.INTNDC = CANCELACIONES.INTNDC "
                              "and a.ARTINO = CANCELACIONES.ARTINO and a.ARTSNO = CANCELACIONES.ARTSNO)"),
              QStringList());
    EXPECT_EQ(queryFile(path, "select INTNDC, ARTINO, ARTSNO from ARTICULOS where ARTNRO is null "
                              "or ARTNCM is null or typeof(ARTCAN) != 'real' or typeof(ARTUNI) != 'real' "
                              "or typeof(ARTFOB) != 'real' or typeof(ARTDSC) != 'real' "
                              "or not exists (select 1 from OPERACIONES o where o.INTNDC = ARTICULOS.INTNDC)"),
              QStringList());
    EXPECT_EQ(queryFile(path, "select INTNDC from OPERACIONES where NUMERO is null or INTDSC is null "
                              "or INTFOF not glob '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]'"),
              QStringList());
}

LogFile::LogFile() : previous_(qgetenv("QUENDARX_LOG")), path_(dir_.filePath("quendarx.log")) {
    QFile::setPermissions(dir_.path(), QFileDevice::Permissions(0x7777)); // the unprivileged clerk writes too
    qputenv("QUENDARX_LOG", path_.toUtf8());
}

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
