// Running the built programs and looking at what they leave behind.
#ifndef KODEXA_TESTS_TOOLS_TOOL_RUN_H
#define KODEXA_TESTS_TOOLS_TOOL_RUN_H

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace kodexa::test {

struct ProgramRun {
    int exitCode;
    std::string out, err;
};

inline void WriteText(const std::string& file, const std::string& text) {
    WriteAllBytes(file, std::vector<unsigned char>(text.begin(), text.end()));
}

// A file beside the built programs, in the directory ctest names.
inline std::string BinFile(const std::string& name) {
    const char* bin = std::getenv("KODEXA_BIN_DIR");
    return std::string(bin != nullptr ? bin : "KODEXA_BIN_DIR-unset") + "/" + name;
}

// Runs a built program (arguments go through the shell); a run that hangs is
// stopped after two minutes and answers 124.
inline ProgramRun RunProgram(const std::string& program, const std::string& args) {
    TempDir scratch;
    std::string out = scratch.File("out"), err = scratch.File("err");
    std::string path = program.find('/') != std::string::npos ? program : BinFile(program);
    int status = std::system(("timeout 120 " + path + " " + args + " >" + out + " 2>" + err).c_str());
    const std::vector<unsigned char> outBytes = ReadAllBytes(out), errBytes = ReadAllBytes(err);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, {outBytes.begin(), outBytes.end()},
            {errBytes.begin(), errBytes.end()}};
}

inline bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Every entry of a directory (names, with hidden ones) and its bytes.
inline std::map<std::string, std::vector<unsigned char>> Snapshot(const std::string& dir) {
    std::map<std::string, std::vector<unsigned char>> files;
    if (!std::filesystem::exists(dir)) return files;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        files[entry.path().filename().string()] =
            entry.is_regular_file() ? ReadAllBytes(entry.path().string()) : std::vector<unsigned char>{'/'};
    return files;
}

}  // namespace kodexa::test

#endif
