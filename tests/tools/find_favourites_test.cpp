// kodexa-find --favourites: the user's favourites from the settings file
// the window writes, with the catalogue's titles.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/catalogue/catalogue_builder.h"
#include "tests/tools/tool_run.h"

namespace kodexa::test {
namespace {

// HOME for the programs run while it lives.
class Home {
public:
    Home() : saved(std::getenv("HOME") != nullptr ? std::getenv("HOME") : "") {
        std::filesystem::create_directories(dir.Path() + "/.foxrc/Taviron");
        setenv("HOME", dir.Path().c_str(), 1);
    }
    ~Home() { setenv("HOME", saved.c_str(), 1); }
    void Settings(const std::string& text) const { WriteText(dir.Path() + "/.foxrc/Taviron/Kodexa", text); }

private:
    TempDir dir;
    std::string saved;
};

TEST(KodexaFindFavourites, PrintsTheFavouritesInCodeOrderWithTitles) {
    TempDir catalogue;
    WriteSampleCatalogue(catalogue.Path());
    Home home;
    const std::string args = "--dir " + catalogue.Path() + " --favourites";
    const struct {
        const char* settings;
        int exitCode;
        const char* out;
    } cases[] = {
        {"[1.0]\nfirststart=1\n[favourites]\n1=A15.0\n2=a009\n3=nonsense\n4=Z99.9\n5=\"A00\"\n[recent]\n1=C00\n", 0,
         "A00\tCholera\nA00.9\tCholera, nicht n\xc3\xa4her bezeichnet\nA15.0\tLungentuberkulose\n"
         "Z99.9\tnicht im ge\xc3\xb6" "ffneten Katalog\n"},
        {"[1.0]\nfirststart=1\n", 1, ""},
        {nullptr, 1, ""},  // no settings file
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.settings != nullptr ? c.settings : "none");
        if (c.settings != nullptr) {
            home.Settings(c.settings);
        } else {
            std::filesystem::remove(std::string(std::getenv("HOME")) + "/.foxrc/Taviron/Kodexa");
        }
        const ProgramRun run = RunProgram("kodexa-find", args);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.out, c.out);
        if (c.exitCode != 0) {
            EXPECT_TRUE(Has(run.err, "no favourites"));
        }
    }
    TempDir none;
    EXPECT_EQ(RunProgram("kodexa-find", "--dir " + none.Path() + " --favourites").exitCode, 1);  // no catalogue
    EXPECT_EQ(RunProgram("kodexa-find", "--favourites --tree").exitCode, 2);
}

}  // namespace
}  // namespace kodexa::test
