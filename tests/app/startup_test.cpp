// First start: the window once per settings directory, however it is closed;
// its layout and pictures.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/startup.h"
#include "tests/gui_support/gui_test.h"
#include "ui/first_start_window.h"
#include "ui/pictures.h"

using namespace FX;

namespace kodexa::test {
namespace {

void ForgetFirstStart() { TestApp()->reg().deleteEntry(kSettingsSection, kFirstStartKey); }

TEST(FirstStart, ShownOnceHoweverItIsClosed) {
    const struct {
        const char* name;
        CloseBy how;
    } cases[] = {
        {"Weiter", CloseBy::Accept},
        {"Enter", CloseBy::EnterKey},
        {"Escape", CloseBy::Cancel},
        {"focus lost", CloseBy::ButtonFocusOut},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ForgetFirstStart();
        ModalCloser closer(c.how);
        EXPECT_TRUE(ShowFirstStartOnce(*TestApp()));
        ASSERT_EQ(closer.Seen().size(), 1u);
        EXPECT_EQ(closer.Seen()[0].title, "Erster Start ...");
        EXPECT_EQ(closer.Seen()[0].width, 558);
        EXPECT_EQ(closer.Seen()[0].height, 376);
        EXPECT_EQ(TestApp()->reg().readIntEntry(kSettingsSection, kFirstStartKey, 0), 1);

        EXPECT_FALSE(ShowFirstStartOnce(*TestApp()));
        EXPECT_EQ(closer.Seen().size(), 1u);
    }
}

TEST(FirstStart, AnyNonZeroEntryMeansShownBefore) {
    for (int stored : {1, 7, -1}) {
        TestApp()->reg().writeIntEntry(kSettingsSection, kFirstStartKey, stored);
        ModalCloser closer(CloseBy::Accept);
        EXPECT_FALSE(ShowFirstStartOnce(*TestApp())) << stored;
        RunEventsFor(30);
        EXPECT_TRUE(closer.Seen().empty());
        EXPECT_EQ(TestApp()->reg().readIntEntry(kSettingsSection, kFirstStartKey, 0), stored);
    }
}

TEST(FirstStart, EntryIsSavedUnderTheVendorAndApplication) {
    ForgetFirstStart();
    {
        ModalCloser closer(CloseBy::Accept);
        ShowFirstStartOnce(*TestApp());
    }
    ASSERT_TRUE(TestApp()->reg().write());
    std::ifstream file(TestHome() + "/.foxrc/Taviron/Kodexa");
    ASSERT_TRUE(file.good());
    std::stringstream text;
    text << file.rdbuf();
    EXPECT_NE(text.str().find("[1.0]"), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("firststart=1"), std::string::npos) << text.str();
}

bool SameImage(FXImage* image, const pictures::Picture& picture) {
    FXGIFImage expected(TestApp(), picture.bytes, 0, 1, 1);
    const int pixels = image->getWidth() * image->getHeight();
    return image->getWidth() == expected.getWidth() && image->getHeight() == expected.getHeight() &&
           std::equal(image->getData(), image->getData() + pixels, expected.getData());
}

TEST(FirstStartWindow, PanelPictureFollowsShowAbout) {
    FisrtStartWindow tips(TestApp(), "Tips ... ", false);
    FisrtStartWindow about(TestApp(), "\xc3\x9c" "ber ...", true);
    EXPECT_TRUE(SameImage(tips.SideImage(), pictures::side));
    EXPECT_TRUE(SameImage(about.SideImage(), pictures::side));
    EXPECT_TRUE(SameImage(tips.PanelImage(), pictures::tips));
    EXPECT_TRUE(SameImage(about.PanelImage(), pictures::about));
    EXPECT_FALSE(SameImage(about.PanelImage(), pictures::tips));
    // No close box, no border: a title bar only.
    EXPECT_EQ(tips.getDecorations(), static_cast<FXuint>(DECOR_TITLE));
}

TEST(FirstStartWindow, ExecuteAnswersAcceptedOrCancelled) {
    for (CloseBy how : {CloseBy::Accept, CloseBy::ButtonFocusOut, CloseBy::Cancel}) {
        FisrtStartWindow window(TestApp(), "Tips ... ", false);
        ModalCloser closer(how);
        EXPECT_EQ(window.execute(PLACEMENT_SCREEN), how == CloseBy::Cancel ? 0u : 1u);
        ASSERT_EQ(closer.Seen().size(), 1u);
        EXPECT_EQ(closer.Seen()[0].labels.back(), "Weiter");
    }
}

}  // namespace
}  // namespace kodexa::test
