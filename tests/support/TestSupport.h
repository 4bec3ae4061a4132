#pragma once
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

void execFile(const QString& path, const QString& statement);
QStringList queryFile(const QString& path, const QString& statement);

// A stock made by the library, by another tool (plain-stock.sql) or by the previous
// version of the library (previous-stock.sql).
enum class StockKind { Library, Plain, Previous };

// A scratch folder with a fresh stock database in it.
class ScratchDatabase {
public:
    explicit ScratchDatabase(StockKind kind = StockKind::Library);
    QString path() const { return path_; }
    QString dir() const { return dir_.path(); }
    // Statements with the library's engine functions registered, not through its
    // data-access component; rows come with their values joined by '|' (null as "NULL").
    void exec(const QString& statement) const { execFile(path_, statement); }
    QStringList query(const QString& statement) const { return queryFile(path_, statement); }

private:
    QTemporaryDir dir_;
    QString path_;
};

// The POSIX locks this process holds (-1 when the kernel cannot tell).
int locksHeld();

} // namespace quendarx::test
