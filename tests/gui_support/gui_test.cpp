// What the window tests share, and their main: it starts a private X server
// (Xvfb), points HOME at a temporary directory so the settings of the test
// application land there, and creates the one FXApp.
#include "tests/gui_support/gui_test.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "tests/support/temp_dir.h"

using namespace FX;

namespace kodexa::test {

namespace {

FXApp* theApp = nullptr;

// Answers the server's process, or -1 when none was started.
pid_t StartXServer() {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);  // gone with the tests, even when they crash
        close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    // Xvfb writes the display number it chose once it accepts clients.
    FILE* in = fdopen(fds[0], "r");
    int number = -1;
    if (in != nullptr && fscanf(in, "%d", &number) == 1) setenv("DISPLAY", (":" + std::to_string(number)).c_str(), 1);
    if (in != nullptr) fclose(in);
    return pid;
}

FXDEFMAP(ModalCloser) closerMap[] = {FXMAPFUNC(SEL_TIMEOUT, 1, ModalCloser::onTimeout)};

}  // namespace

FXApp* TestApp() { return theApp; }

FXIMPLEMENT(ModalCloser, FXObject, closerMap, ARRAYNUMBER(closerMap))

ModalCloser::ModalCloser(int choose) : choose(choose) { TestApp()->addTimeout(this, 1, 10); }
ModalCloser::~ModalCloser() { TestApp()->removeTimeout(this, 1); }

long ModalCloser::onTimeout(FXObject*, FXSelector, void*) {
    TestApp()->addTimeout(this, 1, 10);
    FXWindow* window = TestApp()->getModalWindow();
    if (window == nullptr || !window->shown()) return 1;
    ModalSeen what;
    if (auto* top = dynamic_cast<FXTopWindow*>(window)) what.title = top->getTitle().text();
    std::function<void(FXWindow*)> note = [&](FXWindow* parent) {
        for (FXWindow* w = parent->getFirst(); w != nullptr; w = w->getNext()) {
            if (auto* label = dynamic_cast<FXLabel*>(w)) {
                what.labels.emplace_back(label->getText().text());
                what.colours.push_back(label->getTextColor());
            }
            if (dynamic_cast<FXMenuCommand*>(w) != nullptr) what.enabled += w->isEnabled() ? '1' : '0';
            note(w);
        }
    };
    note(window);
    seen.push_back(what);
    if (auto* popup = dynamic_cast<FXPopup*>(window)) {
        // What a key or click on the entry does; a disabled one refuses.
        FXWindow* entry = choose >= 0 ? popup->childAtIndex(choose) : nullptr;
        if (entry != nullptr) entry->handle(popup, FXSEL(SEL_COMMAND, FXWindow::ID_ACCEL), nullptr);
        if (popup->shown()) popup->popdown();
    } else {
        window->handle(window, FXSEL(SEL_COMMAND, FXDialogBox::ID_CANCEL), nullptr);
    }
    return 1;
}

bool RunEventsUntil(const std::function<bool()>& done, int ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        if (!TestApp()->runOneEvent(false)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace kodexa::test

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    const pid_t server = kodexa::test::StartXServer();
    int result = 1;
    {
        kodexa::test::TempDir homeDir;
        setenv("HOME", homeDir.Path().c_str(), 1);
        static char name[] = "main_window_tests";
        static char* appArgv[] = {name, nullptr};
        int appArgc = 1;
        FXApp app("Kodexa", "Taviron");
        app.init(appArgc, appArgv, TRUE);
        app.create();
        kodexa::test::theApp = &app;
        result = RUN_ALL_TESTS();
        kodexa::test::theApp = nullptr;
    }
    if (server > 0) {
        kill(server, SIGTERM);
        waitpid(server, nullptr, 0);
    }
    return result;
}
