#pragma once
// The stock on a PostgreSQL server, reached through libpq.
#include "data/Engine.h"
#include <QString>
#include <memory>

namespace quendarx {

// Opens the stock database a postgresql:// URI names. Gives up after a few seconds when
// the server does not answer (unless the URI sets its own connect_timeout). Throws
// RuntimeError with the server's reason (never the password) when it cannot connect or
// the database lacks one of the three tables.
std::unique_ptr<Engine> openServerEngine(const QString& uri);

// How many requests a server engine has sent, each followed by a wait for the server's
// answer (a round trip); 0 for any other engine. For tests.
long serverRoundTrips(const Engine* engine);

// The schema `quendarx-db init` creates on a server (the stock and its history), run in
// one transaction.
QString serverSchemaSql();

} // namespace quendarx
