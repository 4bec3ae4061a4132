#pragma once
// One parsed script line.
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

namespace quendarx::host {

enum class KeyName { Enter, Escape, F11, Delete, Tab, Up, Down, KeypadDecimal, Period };

struct Action {
    enum class Kind { Key, Type, Focus, Text, Select, Click, Dump, Shot };
    Kind kind = Kind::Dump;
    KeyName key = KeyName::Enter; // Key
    QString control;              // Focus, Text, Click
    QString text;                 // Type, Text; Shot: the PNG file
    int row = -1;                 // Select: the row, -1 for none
};

// A `call` argument: a whole number (16-bit) or text.
struct Argument {
    bool isNumber = false;
    std::int16_t number = 0;
    QString text;
};

struct NewCommand {
    QString variable;
    QString progId; // the short class names are expanded to their ProgID
};
struct PutCommand {
    QString variable;
    QString property;
    QString value;
};
struct CallCommand {
    QString variable;
    QString method;
    std::vector<Argument> arguments;
};
struct LocaleCommand {
    QLocale locale;
};
struct ClockCommand {
    std::optional<QDateTime> pinned; // empty: back to the system clock
};
struct PrintersCommand {
    QStringList names;
    QString current; // "" when there are no printers
};
struct AnswerCommand {
    bool yes = false;
};
struct SaveFileCommand {
    std::optional<QString> path; // empty: the dialog is cancelled
};
struct WhenCommand {
    QString screen;
    std::vector<Action> actions;
};

using Command = std::variant<std::monostate, NewCommand, PutCommand, CallCommand, LocaleCommand, ClockCommand,
                             PrintersCommand, AnswerCommand, SaveFileCommand, WhenCommand>;

// The screens a `when` can name.
const QStringList& screenNames();

// The locale named NAME (es_AR, en_US, C ...); nothing for a name Qt does not know.
std::optional<QLocale> localeFromName(const QString& name);

// The ProgID for CLASS: the two short class names, or the ProgID as given.
QString progIdForClass(const QString& className);

} // namespace quendarx::host
