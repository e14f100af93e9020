// First start: the window once per settings directory, however it is closed.
#include <gtest/gtest.h>

#include "app/startup.h"
#include "tests/gui_support/gui_test.h"

using namespace FX;

namespace kodexa::test {
namespace {

// Return and the settings written at the end are seen by the end-to-end test.
TEST(FirstStart, ShownOnceHoweverItIsClosed) {
    FXRegistry& settings = TestApp()->reg();
    for (CloseBy how : {CloseBy::Cancel, CloseBy::ButtonFocusOut}) {
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
    ModalCloser closer(CloseBy::Cancel);
    settings.writeIntEntry(kSettingsSection, kFirstStartKey, -1);
    EXPECT_FALSE(ShowFirstStartOnce(*TestApp()));
    EXPECT_TRUE(closer.seen.empty());
}

}  // namespace
}  // namespace kodexa::test
