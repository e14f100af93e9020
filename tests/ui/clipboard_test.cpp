// Copying a code, a title or both from the tree and the result list, and
// handing the text to whoever asks for the clipboard.
#include <gtest/gtest.h>

#include <fxkeys.h>

#include <memory>

#include "tests/catalogue/catalogue_builder.h"
#include "tests/ui/window_test_util.h"

using namespace FX;

namespace kodexa::test {
namespace {

const char kCholeraTitle[] = "Cholera, nicht n\xc3\xa4her bezeichnet";

class Clipboard : public testing::Test {
protected:
    void SetUp() override {
        WriteSampleCatalogue(dir.Path());
        testing::internal::CaptureStdout();
        window = new TestKodexa(dir.Path());
        window->create();
        testing::internal::GetCapturedStdout();
        other = new FXMainWindow(TestApp(), "other", nullptr, nullptr, DECOR_ALL, 0, 0, 200, 100);
        other->create();
    }
    void TearDown() override {
        delete other;
        delete window;
    }

    void Command(FXSelector id) { window->handle(window, FXSEL(SEL_COMMAND, id), nullptr); }
    void MakeCurrent(const std::string& label) {
        FXTreeItem* item = FindItem(window->getTree(), label);
        ASSERT_NE(item, nullptr) << label;
        window->getTree()->setCurrentItem(item);
    }
    // What another window gets when it pastes, as the given type.
    std::string Paste(FXDragType type) {
        FXuchar* data = nullptr;
        FXuint size = 0;
        if (!other->getDNDData(FROM_CLIPBOARD, type, data, size)) return "<nothing>";
        std::string text(reinterpret_cast<char*>(data), size);
        FXFREE(&data);
        return text;
    }
    std::string Clip() const { return window->getClipText() != nullptr ? window->getClipText() : "<none>"; }

    TempDir dir;
    TestKodexa* window = nullptr;
    FXMainWindow* other = nullptr;
};

TEST_F(Clipboard, CommandsOnTheTree) {
    const struct {
        const char* current;
        FXSelector command;
        const char* expected;  // null: the clipboard keeps what it had
    } cases[] = {
        {"A00-B99 - Infektionen", Kodexa::ID_COPY_CODE, "A00-B99"},
        {"A00-B99 - Infektionen", Kodexa::ID_COPY_TEXT, nullptr},
        {"A00-B99 - Infektionen", Kodexa::ID_COPY_BOTH, nullptr},
        {"A00-A09 - Darm", Kodexa::ID_COPY_CODE, "A00-A09"},
        {"A00-A09 - Darm", Kodexa::ID_COPY_TEXT, nullptr},
        {"A00-A09 - Darm", Kodexa::ID_COPY_BOTH, nullptr},
        {"A00 - Cholera", Kodexa::ID_COPY_BOTH, "A00 - Cholera"},
        {"A00.9 - Cholera, nicht n\xc3\xa4her bezeichnet", Kodexa::ID_COPY_CODE, "A00.9"},
        {"A00.9 - Cholera, nicht n\xc3\xa4her bezeichnet", Kodexa::ID_COPY_TEXT, kCholeraTitle},
        {"A00.9 - Cholera, nicht n\xc3\xa4her bezeichnet", Kodexa::ID_COPY_BOTH,
         "A00.9 - Cholera, nicht n\xc3\xa4her bezeichnet"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.current) + " / " + std::to_string(c.command - Kodexa::ID_QUIT));
        window->getTabBook()->setCurrent(0);
        MakeCurrent(c.current);
        Command(Kodexa::ID_COPY_CODE);  // something known on the clipboard first
        const std::string before = Clip();
        Command(c.command);
        EXPECT_EQ(Clip(), c.expected != nullptr ? c.expected : before);
        EXPECT_TRUE(window->hasClipboard());
        EXPECT_EQ(Paste(FXWindow::utf8Type), Clip());
    }
}

TEST_F(Clipboard, CtrlCCopiesTheCodeWhicheverCaseTheKeyArrivesIn) {
    for (FXuint key : {FXuint(KEY_c), FXuint(KEY_C)}) {
        MakeCurrent("A15.0 - Lungentuberkulose");
        Command(Kodexa::ID_COPY_TEXT);
        ASSERT_EQ(Clip(), "Lungentuberkulose");
        FXEvent event{};
        event.type = SEL_KEYPRESS;
        event.code = key;
        event.state = CONTROLMASK;
        window->handle(window, FXSEL(SEL_KEYPRESS, 0), &event);
        EXPECT_EQ(Clip(), "A15.0") << key;
    }
}

TEST_F(Clipboard, NothingIsCopiedWithoutAFittingItem) {
    MakeCurrent("A00 - Cholera");
    Command(Kodexa::ID_COPY_CODE);
    ASSERT_EQ(Clip(), "A00");

    // A code item whose code the codes file does not hold.
    FXTreeItem* stray = window->getTree()->appendItem(nullptr, "Z99.9 - ?", nullptr, nullptr, NewItemData(1, "Z99.9"));
    window->getTree()->setCurrentItem(stray);
    Command(Kodexa::ID_COPY_TEXT);
    Command(Kodexa::ID_COPY_BOTH);
    EXPECT_EQ(Clip(), "A00");

    // An item without data, then no current item at all.
    FXTreeItem* bare = window->getTree()->appendItem(nullptr, "bare", nullptr, nullptr, nullptr);
    window->getTree()->setCurrentItem(bare);
    for (FXSelector id : {Kodexa::ID_COPY_CODE, Kodexa::ID_COPY_TEXT, Kodexa::ID_COPY_BOTH}) Command(id);
    EXPECT_EQ(Clip(), "A00");
    window->getTree()->setCurrentItem(nullptr);
    for (FXSelector id : {Kodexa::ID_COPY_CODE, Kodexa::ID_COPY_TEXT, Kodexa::ID_COPY_BOTH}) Command(id);
    EXPECT_EQ(Clip(), "A00");
}

TEST_F(Clipboard, TheSearchPageCopiesItsCurrentResult) {
    MakeCurrent("A00 - Cholera");
    Command(Kodexa::ID_COPY_CODE);
    window->getTabBook()->setCurrent(1);

    // Before any search there is no current result.
    for (FXSelector id : {Kodexa::ID_COPY_CODE, Kodexa::ID_COPY_TEXT, Kodexa::ID_COPY_BOTH}) Command(id);
    EXPECT_EQ(Clip(), "A00");

    // The one line of a search without hits carries no data.
    window->getResultList()->appendItem("\tKeine Ergebnis");
    window->getResultList()->setCurrentItem(0);
    for (FXSelector id : {Kodexa::ID_COPY_CODE, Kodexa::ID_COPY_TEXT, Kodexa::ID_COPY_BOTH}) Command(id);
    EXPECT_EQ(Clip(), "A00");

    window->getResultList()->appendItem("A00.9\tx", nullptr, nullptr, NewItemData(1, "A00.9"));
    window->getResultList()->setCurrentItem(1);
    Command(Kodexa::ID_COPY_BOTH);
    EXPECT_EQ(Clip(), std::string("A00.9 - ") + kCholeraTitle);

    // Back on the tree page the tree's current item counts, not the result.
    window->getTabBook()->setCurrent(0);
    Command(Kodexa::ID_COPY_CODE);
    EXPECT_EQ(Clip(), "A00");
}

TEST_F(Clipboard, EachTypeGetsTheRightBytes) {
    MakeCurrent("A00.9 - Cholera, nicht n\xc3\xa4her bezeichnet");
    Command(Kodexa::ID_COPY_TEXT);
    const std::string title = kCholeraTitle;
    EXPECT_EQ(window->getClipLength(), static_cast<FXint>(title.size()));
    // UTF8_STRING is counted: no NUL. The two plain types carry the NUL.
    EXPECT_EQ(Paste(FXWindow::utf8Type), title);
    EXPECT_EQ(Paste(FXWindow::stringType), title + '\0');
    EXPECT_EQ(Paste(FXWindow::textType), title + '\0');
    // A type that is not offered is not answered.
    FXEvent request{};
    request.target = FXWindow::colorType;
    EXPECT_EQ(window->handle(other, FXSEL(SEL_CLIPBOARD_REQUEST, 0), &request), 0);
}

TEST_F(Clipboard, AnotherOwnerTakesTheTextAway) {
    MakeCurrent("A00 - Cholera");
    Command(Kodexa::ID_COPY_CODE);
    Command(Kodexa::ID_COPY_BOTH);  // owning already: lost, gained, then the new text
    EXPECT_EQ(Clip(), "A00 - Cholera");
    EXPECT_EQ(Paste(FXWindow::stringType), std::string("A00 - Cholera") + '\0');

    const FXDragType types[] = {FXWindow::stringType};
    ASSERT_TRUE(other->acquireClipboard(types, 1));
    EXPECT_FALSE(window->hasClipboard());
    EXPECT_EQ(window->getClipText(), nullptr);
    EXPECT_EQ(window->getClipLength(), 0);

    Command(Kodexa::ID_COPY_CODE);
    EXPECT_TRUE(window->hasClipboard());
    EXPECT_EQ(Paste(FXWindow::utf8Type), "A00");
}

}  // namespace
}  // namespace kodexa::test
