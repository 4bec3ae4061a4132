#pragma once
// Why a connection could not be opened, told to the clerk in the language of the regional
// settings (Spanish under a Spanish locale, English otherwise), as the engines of the
// original platform told it. The engine's own text goes to the log, not to the clerk.
#include <QLocale>
#include <QString>
#include <optional>

namespace quendarx {

enum class ConnectFailureKind {
    NoFileNamed,     // the connection string names no database file
    FileMissing,     // no file at the path
    IsFolder,        // the path is a folder
    NotADatabase,    // a file, but no database
    TableMissing,    // a database without one of the three tables
    AccessDenied,    // the file cannot be read or written by this user
    ServerDown,      // no server answers at the address
    WrongPassword,   // the server refused the user or the password
    DatabaseMissing, // the server has no database of that name
    DriverMissing,   // the driver the connection string names is not installed
    Other,
};

struct ConnectFailure {
    ConnectFailureKind kind = ConnectFailureKind::Other;
    QString path;  // the file, where one is named
    QString table; // the missing table
};

// The failure of a connection to a local file (localPath set: the Jet data source of the
// connection string) or to a server, from the path's state and the engine's text.
ConnectFailure classifyConnectFailure(const std::optional<QString>& localPath, const QString& engineText);

// The description the clerk reads, in the locale's language.
QString connectFailureDescription(const ConnectFailure& failure, const QLocale& locale);

} // namespace quendarx
