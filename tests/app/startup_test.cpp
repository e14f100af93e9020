// Start-up: the first-start window once per settings directory, and the
// splash window: its timer, keep-on-top and the two destroy options.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>

#include "app/splash_window.h"
#include "app/startup.h"
#include "tests/gui_support/gui_test.h"

using namespace FX;

namespace kodexa::test {
namespace {

// Return, and the settings written at the end, are seen by the end-to-end
// test; closing when the focus goes elsewhere by the tips window's test.
TEST(FirstStart, ShownOnlyWhileTheSettingsSayNotYet) {
    FXRegistry& settings = TestApp()->reg();
    settings.deleteEntry(kSettingsSection, kFirstStartKey);
    ModalCloser closer(CloseBy::Cancel);
    EXPECT_TRUE(ShowFirstStartOnce(*TestApp()));
    EXPECT_FALSE(ShowFirstStartOnce(*TestApp()));
    // Whatever the entry says, other than 0, means shown before.
    settings.writeIntEntry(kSettingsSection, kFirstStartKey, -1);
    EXPECT_FALSE(ShowFirstStartOnce(*TestApp()));
    ASSERT_EQ(closer.seen.size(), 1u);
    EXPECT_EQ(closer.seen[0].title, "Erster Start ...");
    EXPECT_EQ(closer.seen[0].labels.back(), "Weiter");
}

// Counts its deletions.
struct ProbeSplash : FXSplashWindow {
    ProbeSplash(FXuint delay, FXuint opts, int* deletions)
        : FXSplashWindow(TestApp(), "", delay, opts | DECOR_BORDER, 0, 0, 100, 60), deletions(deletions) {}
    ~ProbeSplash() override { ++*deletions; }
    int* deletions;
};

bool HasTimer(FXSplashWindow* w) { return TestApp()->hasTimeout(w, FXSplashWindow::ID_TIMEOUT); }

TEST(SplashWindow, TimerRunsOnceWhileShownAndDiesWithTheWindow) {
    int deletions = 0;
    auto* splash = new ProbeSplash(400, 0, &deletions);
    splash->create();
    splash->show(PLACEMENT_SCREEN);
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    splash->show();  // shown already: the timer is not restarted
    splash->show(PLACEMENT_SCREEN);
    EXPECT_LT(TestApp()->remainingTimeout(splash, FXSplashWindow::ID_TIMEOUT), 350u);
    splash->hide();
    EXPECT_FALSE(HasTimer(splash));
    // Deleted early, while its timer runs: the timer list keys on the
    // address alone and must no longer hold this one.
    splash->show();
    volatile std::uintptr_t address = reinterpret_cast<std::uintptr_t>(splash);
    delete splash;
    EXPECT_FALSE(HasTimer(reinterpret_cast<FXSplashWindow*>(address)));
    EXPECT_EQ(deletions, 1);
}

TEST(SplashWindow, TimeoutHidesAndDeletesAsTheOptionsSay) {
    // With both options it is deleted once all the same.
    for (FXuint options : {0, +SPLASH_DESTROY_ON_TIMEOUT, +SPLASH_DESTROY_ON_HIDE,
                           SPLASH_DESTROY_ON_TIMEOUT | SPLASH_DESTROY_ON_HIDE}) {
        SCOPED_TRACE(options);
        int deletions = 0;
        auto* splash = new ProbeSplash(30, options, &deletions);
        splash->display(PLACEMENT_SCREEN);
        EXPECT_TRUE(RunEventsUntil([&] { return deletions > 0 || !splash->shown(); }, 2000));
        RunEventsFor(20);
        EXPECT_EQ(deletions, options != 0 ? 1 : 0);
        if (deletions == 0) {
            splash->show();  // hidden and alive: showing it starts a new timer
            EXPECT_TRUE(HasTimer(splash));
            delete splash;
        }
    }
    int deletions = 0;
    auto* hidden = new ProbeSplash(1000, SPLASH_DESTROY_ON_HIDE, &deletions);
    hidden->hide();  // deleted even when it was never shown
    EXPECT_EQ(deletions, 1);
}

// The one the program shows at start-up fits its picture and keeps on top
// when the focus goes elsewhere; one without the option stays below.
TEST(SplashWindow, StartUpSplashFitsItsPictureAndKeepsOnTop) {
    for (bool startUp : {true, false}) {
        SCOPED_TRACE(startUp);
        std::unique_ptr<FXSplashWindow> splash(
            startUp ? ShowSplash(*TestApp()) : new FXSplashWindow(TestApp(), "", 5000, DECOR_BORDER, 0, 0, 100, 60));
        if (startUp) {
            EXPECT_EQ(splash->getWidth(), 480);
            EXPECT_EQ(splash->getHeight(), 308);
            EXPECT_EQ(splash->getDelay(), 3000u);
        }
        splash->display(PLACEMENT_SCREEN);
        FXMainWindow other(TestApp(), "other", nullptr, nullptr, DECOR_ALL, 0, 0, 300, 200);
        other.create();
        other.show(PLACEMENT_SCREEN);
        TestApp()->flush(true);
        ASSERT_LT(StackingPosition(splash.get()), StackingPosition(&other));
        splash->handle(&other, FXSEL(SEL_FOCUSOUT, 0), nullptr);
        TestApp()->flush(true);
        EXPECT_EQ(StackingPosition(splash.get()) > StackingPosition(&other), startUp);
    }
}

}  // namespace
}  // namespace kodexa::test
