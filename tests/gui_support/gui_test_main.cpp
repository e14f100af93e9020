// Test main for the window tests: starts a private X server (Xvfb) unless
// KODEXA_TEST_DISPLAY names one, points HOME at a temporary directory so the
// settings of the test application land there, and creates the one FXApp.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "tests/gui_support/gui_test.h"
#include "tests/support/temp_dir.h"

using namespace FX;

namespace kodexa::test {

namespace {

FXApp* theApp = nullptr;
std::string home;

class XServer {
public:
    XServer() {
        if (const char* display = getenv("KODEXA_TEST_DISPLAY")) {
            setenv("DISPLAY", display, 1);
            return;
        }
        int fds[2];
        if (pipe(fds) != 0) {
            return;
        }
        pid = fork();
        if (pid == 0) {
            close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        char number[32] = {};
        ssize_t got = 0;
        for (ssize_t n; got < static_cast<ssize_t>(sizeof number) - 1 &&
                        (n = read(fds[0], number + got, sizeof number - 1 - got)) > 0;) {
            got += n;
            if (number[got - 1] == '\n') {
                break;
            }
        }
        close(fds[0]);
        if (got > 0) {
            setenv("DISPLAY", (":" + std::string(number, number + got - 1)).c_str(), 1);
        }
    }
    ~XServer() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

private:
    pid_t pid = -1;
};

}  // namespace

FXApp* TestApp() { return theApp; }
const std::string& TestHome() { return home; }

}  // namespace kodexa::test

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (testing::GTEST_FLAG(list_tests)) {
        return RUN_ALL_TESTS();
    }
    kodexa::test::XServer server;
    kodexa::test::TempDir homeDir;
    kodexa::test::home = homeDir.Path();
    setenv("HOME", homeDir.Path().c_str(), 1);

    static char name[] = "kodexa_window_tests";
    static char* appArgv[] = {name, nullptr};
    int appArgc = 1;
    auto* app = new FXApp("Kodexa", "Taviron");
    app->init(appArgc, appArgv, TRUE);
    app->create();
    kodexa::test::theApp = app;
    const int result = RUN_ALL_TESTS();
    kodexa::test::theApp = nullptr;
    delete app;
    return result;
}
