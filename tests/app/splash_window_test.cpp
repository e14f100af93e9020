// The splash window: its timer, keep-on-top and the two destroy options.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <thread>

#include "app/splash_window.h"
#include "app/startup.h"
#include "tests/gui_support/gui_test.h"

using namespace FX;

namespace kodexa::test {
namespace {

// Tells the test when the window has been deleted.
class ProbeSplash : public FXSplashWindow {
public:
    ProbeSplash(FXuint delay, FXuint opts, int* deletions)
        : FXSplashWindow(TestApp(), "", delay, opts | DECOR_BORDER, 0, 0, 100, 60), deletions(deletions) {}
    ~ProbeSplash() override { ++*deletions; }

private:
    int* deletions;
};

bool HasTimer(FXSplashWindow* w) { return TestApp()->hasTimeout(w, FXSplashWindow::ID_TIMEOUT); }
FXuint Remaining(FXSplashWindow* w) {
    return TestApp()->remainingTimeout(w, FXSplashWindow::ID_TIMEOUT);
}

TEST(SplashWindow, ShowStartsTheTimerOnceAndHideStopsIt) {
    int deletions = 0;
    auto* splash = new ProbeSplash(400, 0, &deletions);
    splash->create();
    EXPECT_FALSE(HasTimer(splash));
    splash->show(PLACEMENT_SCREEN);
    EXPECT_TRUE(HasTimer(splash));
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    const FXuint before = Remaining(splash);
    splash->show();
    splash->show(PLACEMENT_SCREEN);
    // Not restarted: still counting down from the first show.
    EXPECT_LE(Remaining(splash), before);
    EXPECT_LT(Remaining(splash), 350u);

    splash->hide();
    EXPECT_FALSE(splash->shown());
    EXPECT_FALSE(HasTimer(splash));
    splash->hide();  // hidden already: nothing happens
    EXPECT_EQ(deletions, 0);
    delete splash;
    EXPECT_EQ(deletions, 1);
}

struct TimeoutCase {
    const char* name;
    FXuint options;
    bool deletedByTimeout;
};

TEST(SplashWindow, TimeoutHidesAndDeletesAsTheOptionsSay) {
    const TimeoutCase cases[] = {
        {"no option", 0, false},
        {"destroy on timeout", SPLASH_DESTROY_ON_TIMEOUT, true},
        {"destroy on hide", SPLASH_DESTROY_ON_HIDE, true},
        // Both: deleted exactly once (a second delete would be caught by the sanitizer build too).
        {"both", SPLASH_DESTROY_ON_TIMEOUT | SPLASH_DESTROY_ON_HIDE, true},
    };
    for (const TimeoutCase& c : cases) {
        SCOPED_TRACE(c.name);
        int deletions = 0;
        auto* splash = new ProbeSplash(30, c.options, &deletions);
        splash->display(PLACEMENT_SCREEN);
        EXPECT_TRUE(splash->shown());
        const bool fired = RunEventsUntil([&] { return deletions > 0 || !splash->shown(); }, 2000);
        EXPECT_TRUE(fired);
        RunEventsFor(20);
        EXPECT_EQ(deletions, c.deletedByTimeout ? 1 : 0);
        if (deletions == 0) {
            // Hidden, alive, and showing it again starts a new timer.
            EXPECT_FALSE(splash->shown());
            splash->show();
            EXPECT_TRUE(HasTimer(splash));
            delete splash;
        }
    }
}

TEST(SplashWindow, DestroyOnHideDeletesEvenWhenHiddenAlready) {
    int deletions = 0;
    auto* splash = new ProbeSplash(1000, SPLASH_DESTROY_ON_HIDE, &deletions);
    splash->create();
    splash->hide();
    EXPECT_EQ(deletions, 1);
}

TEST(SplashWindow, DeletingItEarlyCancelsTheTimer) {
    int deletions = 0;
    auto* splash = new ProbeSplash(40, 0, &deletions);
    splash->display(PLACEMENT_SCREEN);
    ASSERT_TRUE(HasTimer(splash));
    // The timer list keys on the address alone; it must no longer hold this one.
    volatile std::uintptr_t address = reinterpret_cast<std::uintptr_t>(splash);
    delete splash;
    EXPECT_FALSE(HasTimer(reinterpret_cast<FXSplashWindow*>(address)));
    RunEventsFor(80);  // a timer left behind would reach the deleted window here
    EXPECT_EQ(deletions, 1);
}

TEST(SplashWindow, KeepOnTopRaisesItselfWhenTheFocusGoesElsewhere) {
    for (bool keepOnTop : {true, false}) {
        SCOPED_TRACE(keepOnTop ? "keep on top" : "plain");
        int deletions = 0;
        auto* splash = new ProbeSplash(5000, keepOnTop ? SPLASH_KEEP_ON_TOP : 0, &deletions);
        splash->display(PLACEMENT_SCREEN);
        FXMainWindow other(TestApp(), "other", nullptr, nullptr, DECOR_ALL, 0, 0, 300, 200);
        other.create();
        other.show(PLACEMENT_SCREEN);
        other.raise();
        TestApp()->flush(true);
        ASSERT_LT(StackingPosition(splash), StackingPosition(&other));

        FXEvent event{};
        event.type = SEL_FOCUSOUT;
        const long handled = splash->handle(&other, FXSEL(SEL_FOCUSOUT, 0), &event);
        TestApp()->flush(true);
        EXPECT_EQ(handled, keepOnTop ? 1 : 0);
        EXPECT_EQ(StackingPosition(splash) > StackingPosition(&other), keepOnTop);
        delete splash;
    }
}

TEST(SplashWindow, StartUpSizesItToThePicture) {
    FXSplashWindow* splash = ShowSplash(*TestApp());
    EXPECT_TRUE(splash->shown());
    EXPECT_EQ(splash->getWidth(), 480);
    EXPECT_EQ(splash->getHeight(), 308);
    ASSERT_NE(splash->getImage(), nullptr);
    EXPECT_EQ(splash->getImage()->getWidth(), 480);
    EXPECT_EQ(splash->getDelay(), 3000u);
    EXPECT_TRUE(splash->getDecorations() & DECOR_BORDER);
    EXPECT_FALSE(splash->getDecorations() & DECOR_TITLE);
    splash->hide();
    delete splash;
}

}  // namespace
}  // namespace kodexa::test
