#pragma once
// What the history tests share: quendarx-db and the sqlite3 shell run as an operator runs
// them.
#include <QProcess>
#include <QString>
#include <QStringList>

namespace quendarx::test {

struct ToolRun {
    int exitCode = -1;
    QStringList lines; // standard output, line by line
    QString errors;    // standard error
};

inline ToolRun runProgram(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    ToolRun run;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        run.errors = QStringLiteral("did not end: ") + program;
        return run;
    }
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    run.lines = text.split(QLatin1Char('\n'));
    if (!run.lines.isEmpty() && run.lines.back().isEmpty())
        run.lines.removeLast();
    run.errors = QString::fromUtf8(p.readAllStandardError());
    return run;
}

inline ToolRun runTool(const QStringList& args) { return runProgram(QStringLiteral(QX_DB_TOOL), args); }

// Statements run by the sqlite3 shell on a file, as any other client would.
inline ToolRun runShell(const QString& path, const QString& statements) {
    return runProgram(QStringLiteral("sqlite3"), {QStringLiteral("-bail"), path, statements});
}

} // namespace quendarx::test
