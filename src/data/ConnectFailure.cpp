#include "data/ConnectFailure.h"
#include "data/ServerSql.h"
#include <QFileInfo>
#include <QRegularExpression>
#include <initializer_list>

namespace quendarx {

namespace {

bool mentions(const QString& text, std::initializer_list<const char*> phrases) {
    for (const char* phrase : phrases)
        if (text.contains(QLatin1String(phrase), Qt::CaseInsensitive))
            return true;
    return false;
}

// What a server's client library or an ODBC driver says, in the words the common ones use
// (libpq, psqlODBC, the unixODBC driver manager, other servers' drivers).
ConnectFailureKind serverFailure(const QString& text) {
    if (mentions(text, {"password authentication failed", "authentication failed", "no password supplied",
                        "password is required", "access denied for user", "login failed", "invalid password", "28P01",
                        "28000"}))
        return ConnectFailureKind::WrongPassword;
    if (mentions(text,
                 {"connection refused", "could not connect", "could not translate host name", "is the server running",
                  "no route to host", "network is unreachable", "name or service not known", "timeout expired",
                  "timed out", "server closed the connection", "08001", "08S01"}))
        return ConnectFailureKind::ServerDown;
    static const QRegularExpression noDatabase(QStringLiteral("database \\S+ does not exist"),
                                               QRegularExpression::CaseInsensitiveOption);
    if (noDatabase.match(text).hasMatch())
        return ConnectFailureKind::DatabaseMissing;
    if (mentions(text,
                 {"data source name not found", "can't open lib", "file not found", "odbc driver is not available"}))
        return ConnectFailureKind::DriverMissing;
    return ConnectFailureKind::Other;
}

} // namespace

ConnectFailure classifyConnectFailure(const std::optional<QString>& localPath, const QString& engineText) {
    ConnectFailure failure;
    static const QRegularExpression noTable(QStringLiteral("no table (\\w+)"));
    if (!localPath || server::isServerLocation(*localPath)) {
        failure.kind = serverFailure(engineText);
        // A server database without the stock's tables.
        if (const auto match = noTable.match(engineText); localPath && match.hasMatch()) {
            failure.kind = ConnectFailureKind::TableMissing;
            failure.path = server::withoutPassword(*localPath);
            failure.table = match.captured(1);
        }
        return failure;
    }
    failure.path = server::withoutPassword(*localPath);
    const QFileInfo info(*localPath);
    if (localPath->isEmpty())
        failure.kind = ConnectFailureKind::NoFileNamed;
    else if (!info.exists())
        failure.kind = ConnectFailureKind::FileMissing;
    else if (info.isDir())
        failure.kind = ConnectFailureKind::IsFolder;
    else if (const auto match = noTable.match(engineText); match.hasMatch()) {
        failure.kind = ConnectFailureKind::TableMissing;
        failure.table = match.captured(1);
    } else if (!info.isReadable() ||
               mentions(engineText, {"permission denied", "access denied", "readonly", "read-only", "unable to open"}))
        failure.kind = ConnectFailureKind::AccessDenied;
    else if (mentions(engineText, {"not a database", "malformed", "file is encrypted", "corrupt"}))
        failure.kind = ConnectFailureKind::NotADatabase;
    else
        failure.kind = ConnectFailureKind::Other;
    return failure;
}

QString connectFailureDescription(const ConnectFailure& failure, const QLocale& locale) {
    const bool es = locale.language() == QLocale::Spanish;
    const auto say = [es](const char* spanish, const char* english) {
        return es ? QString::fromUtf8(spanish) : QString::fromUtf8(english);
    };
    switch (failure.kind) {
    case ConnectFailureKind::NoFileNamed:
        return say("No se indicó el archivo de la base de datos.", "No database file was given.");
    case ConnectFailureKind::FileMissing:
        return say("No se encontró el archivo de base de datos '%1'.", "The database file '%1' cannot be found.")
            .arg(failure.path);
    case ConnectFailureKind::IsFolder:
        return say("'%1' es una carpeta, no un archivo de base de datos.", "'%1' is a folder, not a database file.")
            .arg(failure.path);
    case ConnectFailureKind::NotADatabase:
        return say("El archivo '%1' no es una base de datos válida.", "The file '%1' is not a valid database.")
            .arg(failure.path);
    case ConnectFailureKind::TableMissing:
        return say("La base de datos '%1' no tiene la tabla '%2'.", "The database '%1' has no table '%2'.")
            .arg(failure.path, failure.table);
    case ConnectFailureKind::AccessDenied:
        return say("No tiene permiso para abrir el archivo de base de datos '%1'.",
                   "You do not have permission to open the database file '%1'.")
            .arg(failure.path);
    case ConnectFailureKind::ServerDown:
        return say("No se pudo establecer la conexión con el servidor de base de datos.",
                   "The connection to the database server could not be established.");
    case ConnectFailureKind::WrongPassword:
        return say("El servidor de base de datos rechazó el usuario o la contraseña.",
                   "The database server refused the user name or the password.");
    case ConnectFailureKind::DatabaseMissing:
        return say("La base de datos indicada no existe en el servidor.",
                   "The database named does not exist on the server.");
    case ConnectFailureKind::DriverMissing:
        return say("No se encontró el controlador de base de datos que indica la cadena de conexión.",
                   "The database driver named in the connection string cannot be found.");
    case ConnectFailureKind::Other:
        break;
    }
    return say("No se pudo abrir la base de datos.", "The database could not be opened.");
}

} // namespace quendarx
