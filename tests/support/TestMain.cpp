// The main() of every test executable: a headless QApplication and the C numeric locale.
#include <QApplication>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

namespace {

// A server test names the folder of the run's throwaway PostgreSQL server
// (QUENDARX_TEST_SERVER, see server_cluster.sh): its "env" holds the libpq variables, or
// "none" why no server could be started. Returns the exit status when the test must not
// run: 77 (skipped) without a server, 1 when the folder names none (the tests would skip
// and hide it). A server the caller names (PGHOST set) is used as it is.
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
    // The environment every test executable runs in unless its caller says otherwise (a
    // test's ENVIRONMENT property cannot carry a list through test discovery). Leaks stay
    // reported under AddressSanitizer.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("LC_ALL", "C.UTF-8", 0);
    setenv("QUENDARX_LOG", "/dev/null", 0);
    QApplication app(argc, argv);
    std::setlocale(LC_ALL, "C");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
