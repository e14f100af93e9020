// kodexa-find --check on the shipped 2024 catalogue: every rule once, each
// bound of the age texts, the exit status, and input no practice program
// would send; and the marks the lists show, against the codes file itself.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "catalogue/catalogue.h"
#include "catalogue/code_marks.h"
#include "tests/tools/tool_run.h"

namespace kodexa::test {
namespace {

const std::string kPlease = "  Hinweis: Bitte Kodierung \xc3\xbc" "berpr\xc3\xbc" "fen: Kode gilt ";
const std::string kMostly = "\xc3\xbc" "berwiegend ";
const std::string kFor = "nur f\xc3\xbcr Patienten ";
const std::string kRare = "  Hinweis: Bitte Kodierung \xc3\xbc" "berpr\xc3\xbc" "fen: Diagnosen dieses Kodes sind in "
                          "Mitteleuropa sehr selten.\n";
const std::string kIfsg = "  Hinweis: Diagnosen dieses Kodes sind gem\xc3\xa4\xc3\x9f Infektionsschutzgesetz (IfSG) in "
                          "der Regel meldepflichtig.\n";
const std::string kForm = "erwartet wird KODE SICHERHEIT [SEITE], etwa E11.90 G\n";

std::string Between(bool mostly, const std::string& low, const std::string& high) {
    return kPlease + (mostly ? kMostly : "") + kFor + "in der Altersgruppe zwischen " + low + " und " + high + ".\n";
}
std::string From(bool mostly, const std::string& low) {
    return kPlease + (mostly ? kMostly : "") + kFor + "ab einem Alter von " + low + ".\n";
}
std::string Sex(const std::string& who) {
    return kPlease + kMostly + "nur f\xc3\xbcr " + who + " Patienten.\n";
}
std::string Quoted(const std::string& text) { return "\xe2\x80\x9e" + text + "\xe2\x80\x9c"; }

struct CheckCase {
    std::string args;  // options and lines, as the shell reads them
    std::string out;
    int exitCode;
};

TEST(FindCheck, EveryRuleOnTheCodesOf2024) {
    const CheckCase cases[] = {
        // Fehler: not in the edition, not for coding, no content, a
        // secondary code without a primary one; a primary one allows it.
        {"'X99.9 G'", "X99.9 G\n  Fehler: Kode X99.9 gibt es in der ICD-10-GM 2024 nicht.\n", 4},
        {"'e11 g'", "E11 G\n  Fehler: Kode E11 ist nicht zur Verschl\xc3\xbcsselung zugelassen.\n", 4},
        {"'U07.6 V'", "U07.6 V\n  Fehler: Kode U07.6 ist nicht mit Inhalt belegt.\n", 4},
        {"'H36.0* G'", "H36.0 G\n  Fehler: Kode H36.0* darf nicht allein verwendet werden, sondern nur zusammen mit "
                       "einem Prim\xc3\xa4rkode.\n", 4},
        {"'B95.6! G' 'H36.0 G'", "B95.6 G\n  Fehler: Kode B95.6! darf nicht allein verwendet werden, sondern nur "
                                 "zusammen mit einem Prim\xc3\xa4rkode.\nH36.0 G\n  Fehler: Kode H36.0* darf nicht "
                                 "allein verwendet werden, sondern nur zusammen mit einem Prim\xc3\xa4rkode.\n", 4},
        {"'E11.30 G' 'H36.0* G' 'B95.6! G'", "E11.30 G\nH36.0 G\nB95.6 G\n", 0},
        // Form: no certainty (no default), a wrong certainty, side, word.
        {"E11.90", "E11.90\n  Fehler: Zeile 1: die Diagnosensicherheit fehlt (G, V, Z oder A)\n", 4},
        {"'E11.90 G' 'E11.90 Q'", "E11.90 G\nE11.90\n  Fehler: Zeile 2: " + Quoted("Q") +
                                      " ist keine Diagnosensicherheit (G, V, Z oder A)\n", 4},
        {"'S52.51 g l' 'S52.51 G X'", "S52.51 G L\nS52.51 G\n  Fehler: Zeile 2: " + Quoted("X") +
                                          " ist keine Seitenlokalisation (R, L oder B)\n", 4},
        {"'S52.51 G L R'", "S52.51 G L\n  Fehler: Zeile 1: " + Quoted("R") + " ist zu viel; " + kForm, 4},
        // Sex: K for women and for men; none for X, D and U.
        {"--sex M 'O80 G'", "O80 G\n" + Sex("weibliche"), 0},
        {"--sex w 'O80 G'", "O80 G\n", 0},
        {"--sex W 'C60.0 G'", "C60.0 G\n" + Sex("m\xc3\xa4nnliche"), 0},
        {"--sex X 'C60.0 G' --sex d", "C60.0 G\n", 0},  // the last given counts
        // Age, K and M, never a Fehler; each bound on both sides.
        {"--age 1 'P00.0 G'", "P00.0 G\n", 0},
        {"--age 2 'P00.0 G'", "P00.0 G\n" + Between(true, "0 Tagen", "unter 2 Jahren"), 0},
        {"--age 27t 'E12.01 G'", "E12.01 G\n" + From(true, "28 Tagen") + kRare, 0},
        {"--age 28t 'E12.01 G'", "E12.01 G\n" + kRare, 0},
        {"--age 0 'B94.0 G'", "B94.0 G\n" + From(true, "1 Jahr"), 0},
        {"--age 364t 'B94.0 G'", "B94.0 G\n" + From(true, "1 Jahr"), 0},
        {"--age 14 'A51.0 G'", "A51.0 G\n" + From(true, "15 Jahren"), 0},
        {"--age 15 'A51.0 G'", "A51.0 G\n", 0},
        {"--age 11 'F53.0 G'", "F53.0 G\n" + Between(true, "12 Jahren", "unter 56 Jahren"), 0},
        {"--age 55 'F53.0 G'", "F53.0 G\n", 0},
        {"--age 56 'F53.0 G' --sex W", "F53.0 G\n" + Between(true, "12 Jahren", "unter 56 Jahren"), 0},
        // Zustand nach: only the lower limit counts.
        {"--age 56 'F53.0 Z'", "F53.0 Z\n", 0},
        {"--age 11 'F53.0 Z'", "F53.0 Z\n" + From(true, "12 Jahren"), 0},
        {"--age 14 'J40 G'", "J40 G\n" + From(false, "15 Jahren"), 0},
        {"--age 0t 'P95 G'", "P95 G\n", 0},
        {"--age 1t 'P95 G'", "P95 G\n" + Between(false, "0 Tagen", "unter 1 Tag"), 0},
        {"--age 2 'R95.0 G'", "R95.0 G\n" + Between(false, "0 Tagen", "unter 2 Jahren"), 0},
        // Rare always; IfSG with G and V only.
        {"'A00.0 G'", "A00.0 G\n" + kRare + kIfsg, 0},
        {"'A00.0 v'", "A00.0 V\n" + kRare + kIfsg, 0},
        {"'A00.0 Z' 'A00.0 A'", "A00.0 Z\n" + kRare + "A00.0 A\n" + kRare, 0},
        // A code with subdivisions that may be used as it stands.
        {"'K59.0 G'", "K59.0 G\n  Hinweis: nicht endst\xc3\xa4ndig: eine Unterteilung angeben, wo m\xc3\xb6glich\n", 0},
        // Wrong usage.
        {"--sex Q 'O80 G'", "", 2},
        {"--age 12x 'O80 G'", "", 2},
        // One line is one argument.
        {"--sex M O80 G", "O80\n  Fehler: Zeile 1: die Diagnosensicherheit fehlt (G, V, Z oder A)\n" +
                              Sex("weibliche") + "G\n  Fehler: Zeile 2: " + Quoted("G") +
                              " ist kein Kode der ICD-10; " + kForm, 4},
    };
    for (const CheckCase& c : cases) {
        ProgramRun run = RunProgram("kodexa-find", "--check " + c.args);
        EXPECT_EQ(run.out, c.out) << c.args;
        EXPECT_EQ(run.exitCode, c.exitCode) << c.args << "\n" << run.err;
    }
}

// Empty lines, a line of 10,000 characters, bytes that are no UTF-8 and a
// code of 20 characters: a Fehler naming the line, the other lines checked.
TEST(FindCheck, BadInputGetsAFehlerNamingItsLine) {
    TempDir scratch;
    const std::string input = scratch.File("lines");
    const std::string longLine(10000, 'A');
    WriteText(input, "E11.90 G\r\n\n" + longLine + "\n\xff\xfe G\nE11.9012345678901234 G\n  \t \nH36.0* G");
    ProgramRun run = RunProgram("kodexa-find", "--check <" + input);
    const std::string replacement = "\xef\xbf\xbd";
    const std::string cut = std::string(20, 'A') + "\xe2\x80\xa6";
    EXPECT_EQ(run.out, "E11.90 G\n\n  Fehler: Zeile 2 ist leer: " + kForm +
                           std::string(60, 'A') + "\xe2\x80\xa6\n  Fehler: Zeile 3: " + Quoted(cut) +
                           " ist kein Kode der ICD-10; " + kForm +
                           replacement + replacement + " G\n  Fehler: Zeile 4: " + Quoted(replacement + replacement) +
                           " ist kein Kode der ICD-10; " + kForm +
                           "E11.9012345678901234 G\n  Fehler: Zeile 5: " + Quoted("E11.9012345678901234") +
                           " ist kein Kode der ICD-10; " + kForm +
                           "\n  Fehler: Zeile 6 ist leer: " + kForm + "H36.0 G\n");
    EXPECT_EQ(run.exitCode, 4);
    // A line longer than a reader keeps is named too, not read in part.
    WriteText(input, "E11.90 G" + std::string(70000, ' ') + "x\nE11.90 G\n");
    run = RunProgram("kodexa-find", "--check <" + input);
    EXPECT_EQ(run.out, "E11.90 G\n  Fehler: Zeile 1 ist zu lang (mehr als 65536 Bytes)\nE11.90 G\n");
    EXPECT_EQ(run.exitCode, 4);
    // The same through the arguments; nothing at all is no Fehler.
    run = RunProgram("kodexa-find", "--check '' " + longLine);
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_TRUE(Has(run.out, "Fehler: Zeile 1 ist leer")) << run.out;
    EXPECT_TRUE(Has(run.out, "Fehler: Zeile 2: ")) << run.out;
    run = RunProgram("kodexa-find", "--check </dev/null");
    EXPECT_EQ(std::make_pair(run.exitCode, run.out), std::make_pair(0, std::string()));
}

// The check needs the facts; a catalogue without them is no catalogue to
// check against (1), one whose facts are damaged is named (3).
TEST(FindCheck, WithoutFactsNothingPassesForChecked) {
    TempDir catalogue;
    for (const char* name : {"data1", "data2", "data3"})
        for (const char* ending : {".dat", ".ndx"})
            std::filesystem::copy_file(BinFile(std::string(name) + ending), catalogue.File(std::string(name) + ending));
    ProgramRun run = RunProgram("kodexa-find", "--dir " + catalogue.Path() + " --check 'E11.90 G'");
    EXPECT_EQ(std::make_tuple(run.exitCode, run.out), std::make_tuple(1, std::string()));
    EXPECT_TRUE(Has(run.err, "no code facts")) << run.err;
    WriteText(catalogue.File("data5.dat"), "garbage");
    WriteText(catalogue.File("data5.ndx"), "garbage");
    run = RunProgram("kodexa-find", "--dir " + catalogue.Path() + " --check 'E11.90 G'");
    EXPECT_EQ(std::make_tuple(run.exitCode, run.out), std::make_tuple(3, std::string()));
    TempDir empty;
    run = RunProgram("kodexa-find", "--dir " + empty.Path() + " --check 'E11.90 G'");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(Has(run.err, "no catalogue in")) << run.err;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, ';');) fields.push_back(field);
    return fields;
}

// The marks the lists show come from the facts, not from the codes file's
// sixth field (which the catalogue does not keep): every code of 2024 must
// still get the mark that field writes, and its use for coding.
TEST(CodeMarks, EveryCodeOf2024GetsTheMarkOfTheCodesFile) {
    Catalogue catalogue(BinFile(""));
    ASSERT_EQ(catalogue.Open(CatalogueFile::Facts, CatalogueAccess::Reading), 0);
    CodeMarks marks;
    ASSERT_TRUE(marks.Load(catalogue.Database(CatalogueFile::Facts)));
    std::ifstream codes(std::string(KODEXA_SOURCE_DIR) + "/data/icd10gm2024/icd10gm2024syst_kodes.txt");
    size_t lines = 0;
    for (std::string line; std::getline(codes, line); ++lines) {
        const std::vector<std::string> f = Fields(line);
        ASSERT_EQ(f.size(), 28u);
        const char last = f[5].back();
        const CodeMark expected = last == '*' ? CodeMark::Star : last == '!' ? CodeMark::Exclamation : CodeMark::None;
        EXPECT_EQ(marks.Of(f[6]).mark, expected) << f[5];
        EXPECT_EQ(marks.Of(f[6]).forCoding, f[12] != "V") << f[5];
    }
    EXPECT_EQ(marks.CodesRead(), lines);
    EXPECT_LT(marks.Kept(), lines / 5);  // only what is shown differently
}

}  // namespace
}  // namespace kodexa::test
