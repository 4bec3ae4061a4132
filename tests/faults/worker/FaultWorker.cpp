// A clerk in a process of its own, for the fault tests: registers cancellations on the
// registration screen or imports a declaration on the import screen, and reports each
// outcome on standard output, one line each, flushed at once (so a test can kill it at
// any moment and still know what it was told).
//
//   qx_fault_worker register DB EXTNRO ITEM INTNDC FIRST COUNT [RETRIES]
//     registers articles FIRST .. FIRST+COUNT-1 (or the articles of FIRST when it is a
//     comma-separated list) (sub-item 0) of declaration INTNDC, one
//     unit each, against export item EXTNRO/ITEM; an insert that collides with another
//     clerk's line number ("Error en descontar Cantidad") is tried again, as a clerk
//     would press F11 again, up to RETRIES times. Prints "OK ARTINO TRIES" or
//     "MSG ARTINO STYLE TEXT".
//   qx_fault_worker import DB OUTSIDE-CONNECTION-STRING INTERNO CODE
//     imports internal number INTERNO under code CODE. Prints "MSG STYLE TEXT" per box.
//
// Both print "READY" once connected, before the first F11 (and, when QX_FAULT_GO is set,
// wait for a line on standard input first); "CONNECT REASON" and exit status 3 when the
// stock database cannot be opened.
#include "cancellations/frmRelArt.h"
#include "platform/MessageBoxes.h"
#include "platform/Regional.h"
#include "platform/RuntimeError.h"
#include "state/basGlobal.h"
#include "stock/frmImportar.h"
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <clocale>
#include <cstdio>

using namespace quendarx;

namespace {

class Boxes : public MessageBoxHandler {
public:
    int show(const QString& text, int style) override {
        shown.push_back({style, text});
        return vbOK;
    }
    std::vector<std::pair<int, QString>> shown;
};

void say(const QString& line) {
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

QString oneLine(QString text) { return text.replace(QLatin1Char('\n'), QLatin1String("\\n")).replace(QLatin1Char('\r'), QLatin1String("\\r")); }

void pressF11(QWidget* target) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_F11, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
}

bool connect(const QString& path) {
    clConexion& conexion = basGlobal().conexionLocal();
    conexion.setConnectionString(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + path);
    try {
        conexion.Connect();
    } catch (const RuntimeError& error) {
        say(QStringLiteral("CONNECT ") + oneLine(error.description));
        return false;
    }
    say(QStringLiteral("READY"));
    // A test that starts several clerks lets them go together.
    if (qEnvironmentVariableIsSet("QX_FAULT_GO")) {
        char line[16];
        if (!std::fgets(line, sizeof line, stdin))
            return false;
    }
    return true;
}

int registerArticles(const QStringList& args, Boxes& boxes) {
    if (args.size() < 6)
        return 2;
    LibraryState& g = basGlobal();
    g.g_NumeroInterno = args[1];
    g.g_Item = static_cast<std::int16_t>(args[2].toInt());
    const QString intndc = args[3];
    std::vector<int> articles;
    if (args[4].contains(QLatin1Char(','))) {
        for (const QString& n : args[4].split(QLatin1Char(','), Qt::SkipEmptyParts))
            articles.push_back(n.toInt());
    } else {
        for (int n = args[4].toInt(); n < args[4].toInt() + args[5].toInt(); ++n)
            articles.push_back(n);
    }
    const int retries = args.size() > 6 ? args[6].toInt() : 50;
    if (!connect(args[0]))
        return 3;
    frmRelArt& screen = frmRelArt::instance();
    for (const int artino : articles) {
        g.g_INTNDC = intndc;
        g.g_ARTINO = artino;
        g.g_ARTSNO = 0;
        for (int tries = 1;; ++tries) {
            boxes.shown.clear();
            screen.showModeless();
            QLineEdit* quantity = screen.textBox(QStringLiteral("txtDescuento"));
            quantity->setText(QStringLiteral("1"));
            screen.textBox(QStringLiteral("txtARTEXP"))->setText(QStringLiteral("EXP-%1").arg(artino));
            screen.textBox(QStringLiteral("txtARTCER"))->setText(QStringLiteral("CER-%1").arg(artino));
            screen.textBox(QStringLiteral("txtARTVEN"))->setText(QStringLiteral("31/12/2027"));
            pressF11(quantity);
            const bool registered = !screen.isLoaded();
            if (!registered)
                screen.unload();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            if (registered) {
                say(QStringLiteral("OK %1 %2").arg(artino).arg(tries));
                break;
            }
            const auto last = boxes.shown.empty() ? std::pair<int, QString>{0, QStringLiteral("(no message)")}
                                                  : boxes.shown.back();
            if (last.second == QStringLiteral("Error en descontar Cantidad") && tries < retries)
                continue;
            say(QStringLiteral("MSG %1 %2 %3").arg(artino).arg(last.first).arg(oneLine(last.second)));
            break;
        }
    }
    return 0;
}

int importDeclaration(const QStringList& args, Boxes& boxes) {
    if (args.size() < 4)
        return 2;
    LibraryState& g = basGlobal();
    g.g_BaseExterna = args[1];
    g.g_NumeroInterno = args[2];
    if (!connect(args[0]))
        return 3;
    frmImportar& screen = frmImportar::instance();
    screen.showModeless();
    screen.textBox(QStringLiteral("txtINTNDC"))->setText(args[3]);
    screen.textBox(QStringLiteral("txtINTDSC"))->setText(QStringLiteral("Importacion ") + args[3]);
    QLineEdit* date = screen.textBox(QStringLiteral("txtINTFOF"));
    date->setText(QStringLiteral("05/12/2026"));
    pressF11(date);
    for (const auto& [style, text] : boxes.shown)
        say(QStringLiteral("MSG %1 %2").arg(style).arg(oneLine(text)));
    if (screen.isLoaded())
        screen.unload();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setlocale(LC_ALL, "C");
    Regional::setLocale(QLocale(QLocale::Spanish, QLocale::Argentina));
    Boxes boxes;
    ScopedMessageBoxHandler scope(&boxes);
    QStringList args = app.arguments().mid(1);
    const QString command = args.isEmpty() ? QString() : args.takeFirst();
    int status = 2;
    if (command == QLatin1String("register"))
        status = registerArticles(args, boxes);
    else if (command == QLatin1String("import"))
        status = importDeclaration(args, boxes);
    else
        std::fprintf(stderr, "usage: qx_fault_worker register|import ...\n");
    resetLibraryState();
    return status;
}
