#pragma once
// The commands of quendarx-db. Each returns the process exit code and writes its own
// messages (results to standard output, complaints to standard error).
#include <QString>

namespace quendarx::tool {

int initCommand(const QString& path);
int upgradeCommand(const QString& path);
int sqlCommand(const QString& path, const QString& statement, bool header);
int sampleCommand(const QString& path);
int sampleOutsideCommand(const QString& path);

// Writes a line to standard output / standard error.
void out(const QString& line);
void err(const QString& line);

} // namespace quendarx::tool
