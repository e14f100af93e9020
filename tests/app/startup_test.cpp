// First start: the window once per settings directory, however it is closed.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/startup.h"
#include "tests/gui_support/gui_test.h"

using namespace FX;

namespace kodexa::test {
namespace {

TEST(FirstStart, ShownOnceHoweverItIsClosed) {
    FXRegistry& settings = TestApp()->reg();
    for (CloseBy how : {CloseBy::Accept, CloseBy::EnterKey, CloseBy::Cancel, CloseBy::ButtonFocusOut}) {
        SCOPED_TRACE(static_cast<int>(how));
        settings.deleteEntry(kSettingsSection, kFirstStartKey);
        ModalCloser closer(how);
        EXPECT_TRUE(ShowFirstStartOnce(*TestApp()));
        EXPECT_FALSE(ShowFirstStartOnce(*TestApp()));
        ASSERT_EQ(closer.seen.size(), 1u);
        EXPECT_EQ(closer.seen[0].title, "Erster Start ...");
        EXPECT_EQ(closer.seen[0].labels.back(), "Weiter");
    }
    // Whatever the entry says, other than 0, means shown before.
    ModalCloser closer(CloseBy::Accept);
    settings.writeIntEntry(kSettingsSection, kFirstStartKey, -1);
    EXPECT_FALSE(ShowFirstStartOnce(*TestApp()));
    EXPECT_TRUE(closer.seen.empty());
    settings.writeIntEntry(kSettingsSection, kFirstStartKey, 1);
    ASSERT_TRUE(settings.write());
    std::stringstream text;
    text << std::ifstream(TestHome() + "/.foxrc/Taviron/Kodexa").rdbuf();
    EXPECT_NE(text.str().find("[1.0]\nfirststart=1"), std::string::npos) << text.str();
}

}  // namespace
}  // namespace kodexa::test
