// More than one edition at hand: the status line names the one open,
// "Datei > Katalog wählen" opens another without a restart and the next
// start opens it again, the search lists the successors of a code the
// catalogue no longer has, and Details say where a code came from.
#include <stdlib.h>

#include <filesystem>

#include "import/importer.h"
#include "tests/ui/window_test_util.h"
#include "ui/catalogue_chooser.h"
#include "ui/code_facts_text.h"

using namespace FX;

namespace kodexa::test {
namespace {

const std::string kData = std::string(KODEXA_SOURCE_DIR) + "/tests/import/data";
const char kKodexaSection[] = "1.0";

// Chooses entry `choose` in the chooser once it is up, after noting what
// the list showed.
class ChooseEntry : public FXObject {
    FXDECLARE(ChooseEntry)
public:
    explicit ChooseEntry(int choose) : choose(choose) { TestApp()->addTimeout(this, 1, 10); }
    ChooseEntry(const ChooseEntry&) = delete;
    ChooseEntry& operator=(const ChooseEntry&) = delete;
    ~ChooseEntry() override { TestApp()->removeTimeout(this, 1); }

    long onTimeout(FXObject*, FXSelector, void*) {
        auto* chooser = dynamic_cast<CatalogueChooser*>(TestApp()->getModalWindow());
        if (chooser == nullptr) {
            TestApp()->addTimeout(this, 1, 10);
            return 1;
        }
        FXList* list = chooser->List();
        for (FXint i = 0; i < list->getNumItems(); ++i) shown.push_back(list->getItemText(i).text());
        current = list->getCurrentItem();
        list->setCurrentItem(choose);
        chooser->handle(chooser, FXSEL(SEL_COMMAND, FXDialogBox::ID_ACCEPT), nullptr);
        return 1;
    }

    int choose = 0;
    std::vector<std::string> shown;
    int current = -1;

protected:
    ChooseEntry() = default;
};

FXDEFMAP(ChooseEntry) chooseMap[] = {FXMAPFUNC(SEL_TIMEOUT, 1, ChooseEntry::onTimeout)};
FXIMPLEMENT(ChooseEntry, FXObject, chooseMap, ARRAYNUMBER(chooseMap))

size_t CountItems(FXTreeItem* item) {
    size_t count = 0;
    for (; item != nullptr; item = item->getNext()) count += 1 + CountItems(item->getFirst());
    return count;
}

// The user's catalogues in a directory of the test's own; the sample in the
// program's place.
class CatalogueChoice : public WindowTest {
protected:
    void SetUp() override {
        setenv("XDG_DATA_HOME", data.Path().c_str(), 1);
        other = data.Path() + "/kodexa/catalogues/ICD-10-GM-2099";
        ImportRequest request;
        request.sourceDir = kData + "/mini-utf8";
        request.transitionsFile = kData + "/transitions/icd10gm2099syst_umsteiger_2098_2099.txt";
        request.targetDir = other;
        std::filesystem::create_directories(data.Path() + "/kodexa/catalogues");
        FailureOnlyReport report;
        ASSERT_EQ(RunImport(request, report), 0) << report.message;
        WindowTest::SetUp();
    }
    void TearDown() override {
        TestApp()->reg().deleteEntry(kKodexaSection, "catalogue");
        unsetenv("XDG_DATA_HOME");
    }
    std::string Status() const { return Probe(*window).statusLine()->getText().text(); }

    TempDir data;
    std::string other;
};

TEST_F(CatalogueChoice, AnotherCatalogueOpensWithoutARestartAndIsKeptForTheNextStart) {
    EXPECT_EQ(Status(), "Katalog: Ausgabe unbekannt (mitgeliefert)");
    {
        ChooseEntry choice(1);
        Command(MainWindow::ID_CHOOSE_CATALOGUE);
        ASSERT_EQ(choice.shown.size(), 2u);
        EXPECT_EQ(choice.shown[0], "\xe2\x97\x8f Ausgabe unbekannt (mitgeliefert)");
        EXPECT_EQ(choice.shown[1], "    ICD-10-GM Version 2099 (" + other + ")");
        EXPECT_EQ(choice.current, 0);
    }
    EXPECT_EQ(Status(), "Katalog: ICD-10-GM Version 2099 (" + other + ") - Umsteiger 2098 \xe2\x86\x92 2099");
    FXTreeList* tree = Probe(*window).tree();
    EXPECT_NE(FindItem(tree->getFirstItem(), "U00-U99 - Schl\xc3\xbcsselnummern f\xc3\xbcr besondere Zwecke"), nullptr);
    EXPECT_EQ(FindItem(tree->getFirstItem(), "A15.00 - Lungentuberkulose, gesichert"), nullptr) << "the sample's tree is gone";
    EXPECT_EQ(ItemDataCount(), CountItems(tree->getFirstItem())) << "the old tree's data outlived it";
    EXPECT_EQ(TestApp()->reg().readStringEntry(kKodexaSection, "catalogue", ""), other);

    // A code of the previous edition that this one no longer has.
    ASSERT_EQ(Search("a00.8"), 1);
    EXPECT_EQ(std::string(Probe(*window).resultList()->getItemText(0).text()),
              "A00.9\tCholera, nicht n\xc3\xa4her bezeichnet (fr\xc3\xbcher A00.8)");

    // The next start opens the choice; choosing the program's own forgets it.
    window = OpenWindow(dir.Path());
    EXPECT_EQ(Status().rfind("Katalog: ICD-10-GM Version 2099", 0), 0u) << Status();
    {
        ChooseEntry choice(0);
        Command(MainWindow::ID_CHOOSE_CATALOGUE);
        EXPECT_EQ(choice.current, 1);
        EXPECT_EQ(choice.shown.at(1).rfind("\xe2\x97\x8f ICD-10-GM Version 2099", 0), 0u);
    }
    EXPECT_EQ(Status(), "Katalog: Ausgabe unbekannt (mitgeliefert)");
    EXPECT_EQ(std::string(TestApp()->reg().readStringEntry(kKodexaSection, "catalogue", "-")), "");
}

// A choice whose directory is gone falls back to the program's own; a
// directory given on the command line wins over the choice.
TEST_F(CatalogueChoice, AChoiceThatIsGoneFallsBackAndTheCommandLineWins) {
    TestApp()->reg().writeStringEntry(kKodexaSection, "catalogue", (data.Path() + "/gone").c_str());
    window = OpenWindow(dir.Path());
    EXPECT_EQ(Status(), "Katalog: Ausgabe unbekannt (mitgeliefert)");
    window.reset();
    auto given = std::make_unique<TestKodexa>(dir.Path());
    given->SetCatalogueDirectory(other);
    given->create();
    EXPECT_EQ(std::string(Probe(*given).statusLine()->getText().text()).rfind("Katalog: ICD-10-GM Version 2099", 0), 0u);
}

TEST(DetailWords, TheOriginStandsBeforeTheEdition) {
    const std::vector<std::string> lines =
        DetailLines(CodeFacts{}, Edition{EditionKind::GermanModification, "2024"}, false, "aus I21.4 geteilt");
    EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()),
              (std::vector<std::string>{"aus I21.4 geteilt", "ICD-10-GM 2024"}));
}

}  // namespace
}  // namespace kodexa::test
