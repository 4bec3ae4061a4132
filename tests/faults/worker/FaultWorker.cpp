// A clerk in a process of its own, for the fault tests; one line per outcome, flushed at
// once, so that a test that kills it still knows what it was told. Prints "READY" once
// connected (then, with QX_FAULT_GO set, waits for a line on standard input), or "CONNECT
// REASON" and ends with status 3. With QX_FAULT_KILL_AT=N it kills itself (SIGKILL) just
// before its Nth commit after READY.
//   register DB EXTNRO ITEM INTNDC FIRST COUNT [RETRIES [QUANTITY]]: QUANTITY (1) of
//     articles FIRST.. against EXTNRO/ITEM, F11 again after "Error en descontar Cantidad"
//     up to RETRIES (50) times; "OK ARTINO TRIES" or "MSG ARTINO STYLE TEXT"; with
//     QX_FAULT_LOADED set, "LOADED" once the screen has read its article, before F11.
//   import DB OUTSIDE-CONNECTION INTERNO CODE: "MSG STYLE TEXT" per box of the import.
#include "../Clerk.h"
#include "cancellations/frmRelArt.h"
#include "platform/MessageBoxes.h"
#include "platform/Regional.h"
#include "platform/RuntimeError.h"
#include "state/basGlobal.h"
#include "stock/frmImportar.h"
#include <clocale>
#include <csignal>
#include <cstdio>
#include <sqlite3.h>

using namespace quendarx;

namespace {

// Every box as "STYLE TEXT" on one line, answered OK.
struct Boxes : MessageBoxHandler {
    int show(const QString& text, int style) override {
        shown << QString::number(style) + ' ' + QString(text).replace('\n', "\\n").replace('\r', "\\r");
        return vbOK;
    }
    QStringList shown;
};

// Every SQLite connection of the process runs this just before each commit.
int commits = -1;

int beforeCommit(void*) {
    if (commits >= 0 && ++commits == qEnvironmentVariableIntValue("QX_FAULT_KILL_AT"))
        std::raise(SIGKILL);
    return 0;
}

int watchCommits(sqlite3* db, const char**, const sqlite3_api_routines*) {
    sqlite3_commit_hook(db, beforeCommit, nullptr);
    return SQLITE_OK;
}

void say(const QString& line) {
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

bool connect(const QString& path) {
    clConexion& conexion = basGlobal().conexionLocal();
    conexion.setConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path);
    try {
        conexion.Connect();
    } catch (const RuntimeError& error) {
        say("CONNECT " + error.description);
        return false;
    }
    say("READY");
    commits = 0;
    char line[16]; // a test that starts several clerks lets them go together
    return !qEnvironmentVariableIsSet("QX_FAULT_GO") || std::fgets(line, sizeof line, stdin);
}

int registerArticles(const QStringList& args, Boxes& boxes) {
    LibraryState& g = basGlobal();
    g.g_NumeroInterno = args[1];
    g.g_Item = args[2].toShort();
    const int first = args[4].toInt();
    const int retries = args.value(6, "50").toInt();
    const QString quantity = args.value(7, "1");
    const bool sayLoaded = qEnvironmentVariableIsSet("QX_FAULT_LOADED");
    if (!connect(args[0]))
        return 3;
    for (int artino = first; artino < first + args[5].toInt(); ++artino) {
        g.g_INTNDC = args[3];
        g.g_ARTINO = artino;
        g.g_ARTSNO = 0;
        const QString n = QString::number(artino);
        for (int tries = 1;; ++tries) {
            boxes.shown.clear();
            const bool registered = test::pressF11(frmRelArt::instance(),
                                                   {{"txtDescuento", quantity},
                                                    {"txtARTEXP", "EXP-" + n},
                                                    {"txtARTCER", "CER-" + n},
                                                    {"txtARTVEN", "31/12/2027"}},
                                                   [&](Form&) {
                                                       if (sayLoaded)
                                                           say("LOADED");
                                                   });
            const QString last = boxes.shown.value(boxes.shown.size() - 1, "0 (no message)");
            if (registered || last != "16 Error en descontar Cantidad" || tries >= retries) {
                say(registered ? "OK " + n + ' ' + QString::number(tries) : "MSG " + n + ' ' + last);
                break;
            }
        }
    }
    return 0;
}

int importDeclaration(const QStringList& args, Boxes& boxes) {
    basGlobal().g_BaseExterna = args[1];
    basGlobal().g_NumeroInterno = args[2];
    if (!connect(args[0]))
        return 3;
    test::pressF11(frmImportar::instance(),
                   {{"txtINTNDC", args[3]}, {"txtINTDSC", "Importacion " + args[3]}, {"txtINTFOF", "05/12/2026"}});
    for (const QString& box : boxes.shown)
        say("MSG " + box);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setlocale(LC_ALL, "C");
    Regional::setLocale(QLocale(QLocale::Spanish, QLocale::Argentina));
    sqlite3_auto_extension(reinterpret_cast<void (*)()>(watchCommits));
    Boxes boxes;
    ScopedMessageBoxHandler scope(&boxes);
    const QString command = app.arguments().value(1);
    const QStringList args = app.arguments().mid(2);
    int status = 2;
    if (command == "register" && args.size() >= 6)
        status = registerArticles(args, boxes);
    else if (command == "import" && args.size() >= 4)
        status = importDeclaration(args, boxes);
    else
        std::fprintf(stderr, "usage: qx_fault_worker register|import ...\n");
    resetLibraryState();
    return status;
}
