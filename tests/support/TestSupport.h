#pragma once
// What every test of the project shares: a recording message-box handler, scratch
// databases and locale helpers.
#include "platform/MessageBoxes.h"
#include "platform/Regional.h"
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <ostream>
#include <vector>

// Lets GoogleTest show QString values as text in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace quendarx::test {

struct ShownBox {
    int style;
    QString text;
};

// Records every message box and answers Yes/No boxes from a queue (No when empty).
class RecordingMessageBoxes : public MessageBoxHandler {
public:
    RecordingMessageBoxes() : scope_(this) {}
    int show(const QString& text, int style) override;
    void queueAnswer(int answer) { answers_.push_back(answer); }
    // The boxes shown so far as "STYLE text".
    QStringList texts() const;

    std::vector<ShownBox> shown;

private:
    std::deque<int> answers_;
    ScopedMessageBoxHandler scope_;
};

inline QLocale esAR() { return QLocale(QLocale::Spanish, QLocale::Argentina); }
inline QLocale enUS() { return QLocale(QLocale::English, QLocale::UnitedStates); }

// Statements and queries on any database file, as ScratchDatabase::exec and query do.
void execFile(const QString& path, const QString& statement);
QStringList queryFile(const QString& path, const QString& statement);

// How a scratch stock database is made: by `quendarx-db init`, by another tool (the
// three tables with generic column types, no collation, no constraint, no index), or by
// the previous version of the library (its schema with the triggers that call the
// library's conversion functions).
enum class StockKind { Library, Plain, Previous };
void createStock(const QString& path, StockKind kind);

// A scratch folder with a fresh stock database in it.
class ScratchDatabase {
public:
    explicit ScratchDatabase(StockKind kind = StockKind::Library);
    QString path() const { return path_; }
    QString dir() const { return dir_.path(); }
    // Runs statements on the file with the library's engine functions registered (setup
    // and inspection in tests; not through the library's data-access component).
    void exec(const QString& statement) const;
    // The rows of a query, each row's values joined by '|' (null as "NULL").
    QStringList query(const QString& statement) const;

private:
    QTemporaryDir dir_;
    QString path_;
};

// The POSIX locks this process holds, as the kernel lists them (-1 when it cannot tell):
// closing any descriptor of the stock file would drop them all.
int locksHeld();

} // namespace quendarx::test
