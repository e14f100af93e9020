// Start-up: the splash window's timer, destroy options and size. The
// first-start window, once per settings directory, the end-to-end test sees.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/splash_window.h"
#include "app/startup.h"
#include "tests/gui_support/gui_test.h"

using namespace FX;

namespace kodexa::test {
namespace {

struct ProbeSplash : SplashWindow {
    ProbeSplash(FXuint delay, FXuint opts, int* deletions)
        : SplashWindow(TestApp(), "", delay, opts | DECOR_BORDER, 0, 0, 100, 60), deletions(deletions) {}
    ~ProbeSplash() override { ++*deletions; }
    int* deletions;
};

bool HasTimer(SplashWindow* w) { return TestApp()->hasTimeout(w, SplashWindow::ID_TIMEOUT); }

// The timer hides the window, and deletes it as the options say; shown
// again, it runs anew until the window is hidden or deleted.
TEST(SplashWindow, TimeoutHidesAndDeletesAsTheOptionsSay) {
    // The program's splash uses none; with both it is deleted once all the same.
    for (FXuint options : {0, SPLASH_DESTROY_ON_TIMEOUT | SPLASH_DESTROY_ON_HIDE}) {
        SCOPED_TRACE(options);
        int deletions = 0;
        auto* splash = new ProbeSplash(30, options, &deletions);
        splash->display(PLACEMENT_SCREEN);
        EXPECT_TRUE(RunEventsUntil([&] { return deletions > 0 || !splash->shown(); }, 2000));
        RunEventsFor(20);
        EXPECT_EQ(deletions, options != 0 ? 1 : 0);
        if (deletions > 0) continue;
        splash->show();  // no events run below: the timer cannot fire
        EXPECT_TRUE(HasTimer(splash));
        splash->hide();
        EXPECT_FALSE(HasTimer(splash));
        // Deleted early, while its timer runs: the timer list keys on the
        // address alone and must no longer hold this one.
        splash->show();
        volatile std::uintptr_t address = reinterpret_cast<std::uintptr_t>(splash);
        delete splash;
        EXPECT_FALSE(HasTimer(reinterpret_cast<SplashWindow*>(address)));
        EXPECT_EQ(deletions, 1);
    }
}

// The one the program shows at start-up fits its picture.
TEST(SplashWindow, StartUpSplashFitsItsPicture) {
    std::unique_ptr<SplashWindow> splash(ShowSplash(*TestApp()));
    EXPECT_EQ(splash->getWidth(), 480);
    EXPECT_EQ(splash->getHeight(), 308);
    EXPECT_EQ(splash->getDelay(), 3000u);
}

// The settings file is written as the first-start window closes: a session
// that ends the program by a signal must not bring the window back.
TEST(FirstStart, ItsSettingIsWrittenWhenTheWindowCloses) {
    FXApp& app = *TestApp();
    app.reg().writeIntEntry(kSettingsSection, kFirstStartKey, 0);
    {
        ModalCloser closer;
        EXPECT_TRUE(ShowFirstStartOnce(app));
    }
    std::stringstream text;
    text << std::ifstream(std::string(std::getenv("HOME")) + "/.foxrc/Taviron/Kodexa").rdbuf();
    EXPECT_NE(text.str().find(std::string("[") + kSettingsSection + "]\nfirststart=1"), std::string::npos) << text.str();
    EXPECT_FALSE(ShowFirstStartOnce(app));
}

}  // namespace
}  // namespace kodexa::test
