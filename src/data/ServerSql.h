#pragma once
// The stock on a PostgreSQL server: how a statement written for the stock file reads on
// the server, so that a clerk and a host see the same rows on both.
// - Codes compare without regard to letter case: the code columns are citext (compared
//   as the file's NOCASE does, ASCII letters folded, under the "C" collation), and a
//   code value is sent typed citext (a text-typed value would compare case-sensitively).
// - Nulls sort first in ascending order, as on the file.
// - Rows of one table come in the order they were first written (the hidden column
//   qx_row) when the statement orders them by nothing else, and within ties.
// - Column names come back spelled as the statement spells them (the server folds an
//   unquoted alias to lower case).
#include <QString>
#include <QStringList>

namespace quendarx::server {

// The hidden insertion-order column of every stock table on a server.
inline constexpr const char* kRowColumn = "qx_row";

// Whether a database location is a server URI (postgresql:// or postgres://, the scheme
// in any letter case).
bool isServerUri(const QString& location);
// Whether a database location is libpq's key=value form ("host=server dbname=stock").
bool isServerKeywords(const QString& location);
// Whether a database location names a server in either form; anything else is a file.
bool isServerLocation(const QString& location);
// The location as libpq reads it: trimmed, a URI's scheme in lower case (libpq knows it
// only so, and would take any other spelling for a database name).
QString libpqLocation(const QString& location);
// Why a location cannot be a file path ("" when it can): empty, an option ("-x"), a URI
// of some other scheme (a mistyped "postgresq://", "postgresql:/host").
QString notAFilePath(const QString& location);

// The location without its password, in every form libpq takes one (a URI's user
// information, a password or sslpassword parameter, a password keyword), for messages
// and the log. Works on a mistyped location too.
QString withoutPassword(const QString& location);
// A text that may quote the location (an engine's error message) with the location's
// passwords hidden, wherever and however the text quotes them.
QString hidePasswords(const QString& text, const QString& location);

// A library statement's parameterised form (`?` for each value, `? COLLATE NOCASE` for a
// code) as the server runs it ($1, $2... ; codes typed citext). cdbl() stays when the
// stock has the server's cdbl functions, and is dropped otherwise (the server then reads
// the value as a number itself).
QString serverShape(const QString& shape, bool cdblOnServer = false);
// A statement given as text, as the server runs it.
QString serverText(const QString& text);

// The result column names as the file gives them: an alias as the statement spells it,
// any other name in upper case, as the stock tables spell their columns.
QStringList spelledColumns(const QString& statement, const QStringList& serverNames);

} // namespace quendarx::server
