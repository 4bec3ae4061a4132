#include "script/Parser.h"
#include "script/ScriptError.h"
#include <QRegularExpression>
#include <limits>

namespace quendarx::host {

const QStringList& screenNames() {
    static const QStringList names{
        QStringLiteral("frmDespachos"), QStringLiteral("frmArticulos"), QStringLiteral("frmRelArt"),
        QStringLiteral("frmModifcar"),  QStringLiteral("frmImprimir"),  QStringLiteral("frmImportar"),
    };
    return names;
}

std::optional<QLocale> localeFromName(const QString& name) {
    if (name == u"C" || name == u"POSIX")
        return QLocale::c();
    QLocale locale(name);
    if (locale.language() == QLocale::C)
        return std::nullopt;
    return locale;
}

QString progIdForClass(const QString& className) {
    if (className == u"clcancelMain" || className == u"clImportar")
        return QStringLiteral("QuendarxDLL.") + className;
    return className;
}

namespace {

using Tokens = std::vector<Token>;

[[noreturn]] void fail(const QString& message) { throw ScriptError(message); }

void expectCount(const Tokens& t, std::size_t count, const char* usage) {
    if (t.size() != count)
        fail(QStringLiteral("usage: %1").arg(QLatin1String(usage)));
}

bool isWholeNumber(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^-?[0-9]+$"));
    return pattern.match(text).hasMatch();
}

Argument argumentOf(const Token& token) {
    Argument argument;
    if (token.quoted || !isWholeNumber(token.text)) {
        argument.text = token.text;
        return argument;
    }
    bool ok = false;
    const qlonglong value = token.text.size() > 7 ? 0 : token.text.toLongLong(&ok);
    if (!ok || value < std::numeric_limits<std::int16_t>::min() || value > std::numeric_limits<std::int16_t>::max())
        fail(QStringLiteral("whole number out of the 16-bit range: %1").arg(token.text));
    argument.isNumber = true;
    argument.number = static_cast<std::int16_t>(value);
    return argument;
}

KeyName keyOf(const Token& token) {
    static const std::pair<const char16_t*, KeyName> keys[] = {
        {u"Enter", KeyName::Enter},   {u"Escape", KeyName::Escape},
        {u"F11", KeyName::F11},       {u"Delete", KeyName::Delete},
        {u"Tab", KeyName::Tab},       {u"Up", KeyName::Up},
        {u"Down", KeyName::Down},     {u"KeypadDecimal", KeyName::KeypadDecimal},
        {u"Period", KeyName::Period},
    };
    for (const auto& [name, key] : keys)
        if (token.text == QStringView(name))
            return key;
    fail(QStringLiteral("unknown key: %1").arg(token.text));
}

Action actionOf(Tokens::const_iterator begin, Tokens::const_iterator end) {
    if (begin == end)
        fail(QStringLiteral("empty action in when"));
    const Token& verb = *begin;
    const auto argCount = std::distance(begin, end) - 1;
    auto need = [&](long count, const char* usage) {
        if (argCount != count)
            fail(QStringLiteral("usage: %1").arg(QLatin1String(usage)));
    };
    Action action;
    if (verb.isBare(u"key")) {
        need(1, "key NAME");
        action.kind = Action::Kind::Key;
        action.key = keyOf(begin[1]);
    } else if (verb.isBare(u"type")) {
        need(1, "type TEXT");
        action.kind = Action::Kind::Type;
        action.text = begin[1].text;
    } else if (verb.isBare(u"focus")) {
        need(1, "focus CONTROL");
        action.kind = Action::Kind::Focus;
        action.control = begin[1].text;
    } else if (verb.isBare(u"text")) {
        need(2, "text CONTROL TEXT");
        action.kind = Action::Kind::Text;
        action.control = begin[1].text;
        action.text = begin[2].text;
    } else if (verb.isBare(u"select")) {
        need(1, "select ROW|none");
        action.kind = Action::Kind::Select;
        const Token& row = begin[1];
        if (row.isBare(u"none")) {
            action.row = -1;
        } else {
            static const QRegularExpression digits(QStringLiteral("^[0-9]{1,6}$"));
            if (row.quoted || !digits.match(row.text).hasMatch())
                fail(QStringLiteral("select needs a row number or none: %1").arg(row.text));
            action.row = row.text.toInt();
        }
    } else if (verb.isBare(u"click")) {
        need(1, "click CONTROL");
        action.kind = Action::Kind::Click;
        action.control = begin[1].text;
    } else if (verb.isBare(u"dump")) {
        need(0, "dump");
        action.kind = Action::Kind::Dump;
    } else if (verb.isBare(u"shot")) {
        need(1, "shot FILE");
        action.kind = Action::Kind::Shot;
        action.text = begin[1].text;
    } else {
        fail(QStringLiteral("unknown action: %1").arg(verb.text));
    }
    return action;
}

WhenCommand parseWhen(const Tokens& t) {
    if (t.size() < 3)
        fail(QStringLiteral("usage: when SCREEN ACTION [; ACTION]..."));
    WhenCommand when;
    when.screen = t[1].text;
    if (!screenNames().contains(when.screen))
        fail(QStringLiteral("unknown screen: %1").arg(when.screen));
    auto start = t.begin() + 2;
    for (auto it = start;; ++it) {
        if (it == t.end() || it->isBare(u";")) {
            when.actions.push_back(actionOf(start, it));
            if (it == t.end())
                break;
            start = it + 1;
        }
    }
    return when;
}

PrintersCommand parsePrinters(const Tokens& t) {
    PrintersCommand printers;
    std::size_t end = t.size();
    QString current;
    if (t.size() >= 3 && t[t.size() - 2].isBare(u"default")) {
        current = t.back().text;
        end -= 2;
    }
    for (std::size_t i = 1; i < end; ++i) {
        if (t[i].isBare(u"default"))
            fail(QStringLiteral("usage: printers NAME... [default NAME]"));
        printers.names << t[i].text;
    }
    if (!current.isEmpty() && !printers.names.contains(current))
        fail(QStringLiteral("default printer is not among the printers: %1").arg(current));
    if (current.isEmpty() && !printers.names.isEmpty())
        current = printers.names.first();
    printers.current = current;
    return printers;
}

ClockCommand parseClock(const Tokens& t) {
    if (t.size() == 2 && t[1].isBare(u"system"))
        return ClockCommand{};
    if (t.size() != 3)
        fail(QStringLiteral("usage: clock YYYY-MM-DD HH:MM:SS | clock system"));
    const QDateTime value = QDateTime::fromString(t[1].text + u' ' + t[2].text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!value.isValid())
        fail(QStringLiteral("not a date and time: %1 %2").arg(t[1].text, t[2].text));
    return ClockCommand{value};
}

} // namespace

Command parseTokens(const Tokens& t) {
    if (t.empty())
        return std::monostate{};
    const Token& verb = t[0];
    if (verb.quoted)
        fail(QStringLiteral("unknown command: %1").arg(verb.text));
    const QString& name = verb.text;
    if (name == u"new") {
        expectCount(t, 3, "new VAR CLASS");
        return NewCommand{t[1].text, progIdForClass(t[2].text)};
    }
    if (name == u"put") {
        expectCount(t, 4, "put VAR PROPERTY VALUE");
        return PutCommand{t[1].text, t[2].text, t[3].text};
    }
    if (name == u"call") {
        if (t.size() < 3)
            fail(QStringLiteral("usage: call VAR METHOD [ARG...]"));
        CallCommand call{t[1].text, t[2].text, {}};
        for (std::size_t i = 3; i < t.size(); ++i)
            call.arguments.push_back(argumentOf(t[i]));
        return call;
    }
    if (name == u"locale") {
        expectCount(t, 2, "locale NAME");
        const auto locale = localeFromName(t[1].text);
        if (!locale)
            fail(QStringLiteral("unknown locale: %1").arg(t[1].text));
        return LocaleCommand{*locale};
    }
    if (name == u"clock")
        return parseClock(t);
    if (name == u"printers")
        return parsePrinters(t);
    if (name == u"answer") {
        expectCount(t, 2, "answer Yes|No");
        if (t[1].isBare(u"Yes"))
            return AnswerCommand{true};
        if (t[1].isBare(u"No"))
            return AnswerCommand{false};
        fail(QStringLiteral("usage: answer Yes|No"));
    }
    if (name == u"savefile") {
        expectCount(t, 2, "savefile PATH|cancel");
        if (t[1].isBare(u"cancel"))
            return SaveFileCommand{};
        return SaveFileCommand{t[1].text};
    }
    if (name == u"when")
        return parseWhen(t);
    fail(QStringLiteral("unknown command: %1").arg(name));
}

Command parseLine(QStringView line) { return parseTokens(tokenize(line)); }

} // namespace quendarx::host
