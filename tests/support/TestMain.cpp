// The main() of every test executable: a headless QApplication and the C numeric locale.
#include <QApplication>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

namespace {

// The run's server (server_cluster.sh): its folder's "env" holds the libpq variables, or
// "none" why there is none (77, skipped). A server the caller names (PGHOST) is used as is.
int useRunServer() {
    const char* dir = std::getenv("QUENDARX_TEST_SERVER");
    if (!dir || std::getenv("PGHOST"))
        return 0;
    std::ifstream none(std::string(dir) + "/none");
    if (none) {
        std::string reason;
        std::getline(none, reason);
        std::printf("no PostgreSQL server for this run: %s\n", reason.c_str());
        return 77;
    }
    std::ifstream env(std::string(dir) + "/env");
    for (std::string line; std::getline(env, line);) {
        const auto eq = line.find('=');
        if (eq != std::string::npos)
            setenv(line.substr(0, eq).c_str(), line.substr(eq + 1).c_str(), 1);
    }
    if (!std::getenv("PGHOST") || !std::getenv("PGPORT")) {
        std::printf("the run's server folder %s names no server (PGHOST, PGPORT)\n", dir);
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (const int status = useRunServer())
        return status;
    // Unless the caller says otherwise (ENVIRONMENT cannot carry a list through discovery).
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("LC_ALL", "C.UTF-8", 0);
    setenv("QUENDARX_LOG", "/dev/null", 0);
    QApplication app(argc, argv);
    std::setlocale(LC_ALL, "C");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
