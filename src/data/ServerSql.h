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

// Whether a database location is a server URI (postgresql:// or postgres://).
bool isServerUri(const QString& location);
// The URI without its password (for messages and the log).
QString withoutPassword(const QString& uri);

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
