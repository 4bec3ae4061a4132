// Script lines into commands: numbers versus text in calls, the `when` actions, the
// printers list, and the messages of lines that make no sense.
#include "script/Parser.h"
#include "script/ScriptError.h"
#include <gtest/gtest.h>

using namespace quendarx::host;

namespace {

template <class T> T parseAs(const QString& line) {
    const Command command = parseLine(line);
    const T* typed = std::get_if<T>(&command);
    if (!typed)
        throw std::runtime_error("wrong command type for: " + line.toStdString());
    return *typed;
}

QString errorOf(const QString& line) {
    try {
        parseLine(line);
    } catch (const ScriptError& e) {
        return e.message();
    }
    return QStringLiteral("<accepted>");
}

TEST(Parser, BlankAndCommentLinesAreNoCommand) {
    EXPECT_TRUE(std::holds_alternative<std::monostate>(parseLine(u""_qs)));
    EXPECT_TRUE(std::holds_alternative<std::monostate>(parseLine(u"  # when x"_qs)));
}

TEST(Parser, NewExpandsTheShortClassNames) {
    EXPECT_EQ(parseAs<NewCommand>(u"new cm clcancelMain"_qs).progId,
              u"QuendarxDLL.clcancelMain"_qs);
    EXPECT_EQ(parseAs<NewCommand>(u"new im clImportar"_qs).progId, u"QuendarxDLL.clImportar"_qs);
    const NewCommand full = parseAs<NewCommand>(u"new cm QuendarxDLL.clImportar"_qs);
    EXPECT_EQ(full.variable, u"cm"_qs);
    EXPECT_EQ(full.progId, u"QuendarxDLL.clImportar"_qs);
    EXPECT_EQ(parseAs<NewCommand>(u"new x clOther"_qs).progId, u"clOther"_qs);
}

TEST(Parser, PutTakesItsValueAsText) {
    const PutCommand put = parseAs<PutCommand>(u"put cm Item 7"_qs);
    EXPECT_EQ(put.variable, u"cm"_qs);
    EXPECT_EQ(put.property, u"Item"_qs);
    EXPECT_EQ(put.value, u"7"_qs);
    EXPECT_EQ(parseAs<PutCommand>(u"put cm Ubicacion_Base_Datos \"a b.db\""_qs).value,
              u"a b.db"_qs);
}

TEST(Parser, CallArgumentsAreWholeNumbersOnlyWhenBareDigits) {
    struct Case {
        QString token;
        bool isNumber;
        int number;
        QString text;
    } cases[] = {
        {u"7"_qs, true, 7, {}},           {u"-12"_qs, true, -12, {}},
        {u"007"_qs, true, 7, {}},         {u"32767"_qs, true, 32767, {}},
        {u"-32768"_qs, true, -32768, {}}, {u"\"7\""_qs, false, 0, u"7"_qs},
        {u"1.5"_qs, false, 0, u"1.5"_qs}, {u"-"_qs, false, 0, u"-"_qs},
        {u"+3"_qs, false, 0, u"+3"_qs},   {u"D-100"_qs, false, 0, u"D-100"_qs},
        {u"12a"_qs, false, 0, u"12a"_qs},
    };
    for (const Case& c : cases) {
        const CallCommand call = parseAs<CallCommand>(u"call cm Eliminar_Articulo "_qs + c.token);
        ASSERT_EQ(call.arguments.size(), 1u) << c.token.toStdString();
        const Argument& a = call.arguments[0];
        EXPECT_EQ(a.isNumber, c.isNumber) << c.token.toStdString();
        if (c.isNumber)
            EXPECT_EQ(a.number, c.number) << c.token.toStdString();
        else
            EXPECT_EQ(a.text, c.text) << c.token.toStdString();
    }
}

TEST(Parser, CallKeepsArgumentOrder) {
    const CallCommand call = parseAs<CallCommand>(u"call cm Modificar_Articulo \"D-100\" 1 0"_qs);
    EXPECT_EQ(call.method, u"Modificar_Articulo"_qs);
    ASSERT_EQ(call.arguments.size(), 3u);
    EXPECT_EQ(call.arguments[0].text, u"D-100"_qs);
    EXPECT_EQ(call.arguments[1].number, 1);
    EXPECT_EQ(call.arguments[2].number, 0);
    EXPECT_TRUE(parseAs<CallCommand>(u"call cm Obtener_Items"_qs).arguments.empty());
}

TEST(Parser, WhenSplitsActionsAtLoneSemicolons) {
    const WhenCommand when = parseAs<WhenCommand>(
        u"when frmArticulos select 0 ; key Enter ; dump ; text txtDescuento \"2,5\" ; "
        "type \"a;b\" ; focus txtExp ; click cmdImprimir ; select none ; key KeypadDecimal"_qs);
    EXPECT_EQ(when.screen, u"frmArticulos"_qs);
    ASSERT_EQ(when.actions.size(), 9u);
    EXPECT_EQ(when.actions[0].kind, Action::Kind::Select);
    EXPECT_EQ(when.actions[0].row, 0);
    EXPECT_EQ(when.actions[1].kind, Action::Kind::Key);
    EXPECT_EQ(when.actions[1].key, KeyName::Enter);
    EXPECT_EQ(when.actions[2].kind, Action::Kind::Dump);
    EXPECT_EQ(when.actions[3].kind, Action::Kind::Text);
    EXPECT_EQ(when.actions[3].control, u"txtDescuento"_qs);
    EXPECT_EQ(when.actions[3].text, u"2,5"_qs);
    EXPECT_EQ(when.actions[4].kind, Action::Kind::Type);
    EXPECT_EQ(when.actions[4].text, u"a;b"_qs);
    EXPECT_EQ(when.actions[5].control, u"txtExp"_qs);
    EXPECT_EQ(when.actions[6].kind, Action::Kind::Click);
    EXPECT_EQ(when.actions[7].row, -1);
    EXPECT_EQ(when.actions[8].key, KeyName::KeypadDecimal);
}

TEST(Parser, EveryDocumentedKeyIsKnown) {
    const char* names[] = {"Enter", "Escape", "F11",           "Delete", "Tab",
                           "Up",    "Down",   "KeypadDecimal", "Period"};
    for (const char* name : names)
        EXPECT_NO_THROW(parseLine(u"when frmRelArt key "_qs + QLatin1String(name))) << name;
}

TEST(Parser, PrintersChooseTheFirstUnlessToldOtherwise) {
    PrintersCommand p = parseAs<PrintersCommand>(u"printers \"HP 1\" PDF"_qs);
    EXPECT_EQ(p.names, (QStringList{u"HP 1"_qs, u"PDF"_qs}));
    EXPECT_EQ(p.current, u"HP 1"_qs);
    p = parseAs<PrintersCommand>(u"printers A B default B"_qs);
    EXPECT_EQ(p.names, (QStringList{u"A"_qs, u"B"_qs}));
    EXPECT_EQ(p.current, u"B"_qs);
    p = parseAs<PrintersCommand>(u"printers A \"default\" B"_qs); // a printer named default
    EXPECT_EQ(p.names, (QStringList{u"A"_qs, u"default"_qs, u"B"_qs}));
    p = parseAs<PrintersCommand>(u"printers"_qs);
    EXPECT_TRUE(p.names.isEmpty());
    EXPECT_TRUE(p.current.isEmpty());
}

TEST(Parser, ClockAnswersAndSaveFile) {
    const ClockCommand pinned = parseAs<ClockCommand>(u"clock 2026-12-05 10:30:00"_qs);
    ASSERT_TRUE(pinned.pinned.has_value());
    EXPECT_EQ(*pinned.pinned, QDateTime(QDate(2026, 12, 5), QTime(10, 30, 0)));
    EXPECT_FALSE(parseAs<ClockCommand>(u"clock system"_qs).pinned.has_value());
    EXPECT_TRUE(parseAs<AnswerCommand>(u"answer Yes"_qs).yes);
    EXPECT_FALSE(parseAs<AnswerCommand>(u"answer No"_qs).yes);
    EXPECT_FALSE(parseAs<SaveFileCommand>(u"savefile cancel"_qs).path.has_value());
    EXPECT_EQ(parseAs<SaveFileCommand>(u"savefile \"cancel\""_qs).path.value(), u"cancel"_qs);
    EXPECT_EQ(parseAs<SaveFileCommand>(u"savefile out/list.pdf"_qs).path.value(),
              u"out/list.pdf"_qs);
}

TEST(Parser, LocaleNamesQtKnows) {
    EXPECT_EQ(parseAs<LocaleCommand>(u"locale es_AR"_qs).locale.decimalPoint(), u","_qs);
    EXPECT_EQ(parseAs<LocaleCommand>(u"locale en_US"_qs).locale.decimalPoint(), u"."_qs);
    EXPECT_EQ(parseAs<LocaleCommand>(u"locale C"_qs).locale, QLocale::c());
}

TEST(Parser, ExplainsWhatIsWrong) {
    struct Case {
        QString line;
        QString message;
    } cases[] = {
        {u"frobnicate x"_qs, u"unknown command: frobnicate"_qs},
        {u"\"new\" cm clcancelMain"_qs, u"unknown command: new"_qs},
        {u"new cm"_qs, u"usage: new VAR CLASS"_qs},
        {u"put cm Item"_qs, u"usage: put VAR PROPERTY VALUE"_qs},
        {u"put cm Item 1 2"_qs, u"usage: put VAR PROPERTY VALUE"_qs},
        {u"call cm"_qs, u"usage: call VAR METHOD [ARG...]"_qs},
        {u"call cm Eliminar_Articulo x 40000"_qs,
         u"whole number out of the 16-bit range: 40000"_qs},
        {u"call cm Eliminar_Articulo x -99999999999"_qs,
         u"whole number out of the 16-bit range: -99999999999"_qs},
        {u"locale xx_QQ"_qs, u"unknown locale: xx_QQ"_qs},
        {u"clock 2026-02-30 10:00:00"_qs, u"not a date and time: 2026-02-30 10:00:00"_qs},
        {u"clock tomorrow"_qs, u"usage: clock YYYY-MM-DD HH:MM:SS | clock system"_qs},
        {u"printers A default C"_qs, u"default printer is not among the printers: C"_qs},
        {u"printers A default"_qs, u"usage: printers NAME... [default NAME]"_qs},
        {u"answer yes"_qs, u"usage: answer Yes|No"_qs},
        {u"savefile"_qs, u"usage: savefile PATH|cancel"_qs},
        {u"when frmOtro key Enter"_qs, u"unknown screen: frmOtro"_qs},
        {u"when frmDespachos"_qs, u"usage: when SCREEN ACTION [; ACTION]..."_qs},
        {u"when frmDespachos key Return"_qs, u"unknown key: Return"_qs},
        {u"when frmDespachos key Enter ;"_qs, u"empty action in when"_qs},
        {u"when frmDespachos ; key Enter"_qs, u"empty action in when"_qs},
        {u"when frmDespachos key Enter ; ; dump"_qs, u"empty action in when"_qs},
        {u"when frmDespachos press Enter"_qs, u"unknown action: press"_qs},
        {u"when frmDespachos key Enter Escape"_qs, u"usage: key NAME"_qs},
        {u"when frmDespachos select first"_qs, u"select needs a row number or none: first"_qs},
        {u"when frmDespachos select -1"_qs, u"select needs a row number or none: -1"_qs},
        {u"when frmRelArt text txtDescuento"_qs, u"usage: text CONTROL TEXT"_qs},
        {u"when frmRelArt dump now"_qs, u"usage: dump"_qs},
        {u"put cm Item \"7"_qs, u"unterminated string"_qs},
    };
    for (const Case& c : cases)
        EXPECT_EQ(errorOf(c.line), c.message) << c.line.toStdString();
}

} // namespace
