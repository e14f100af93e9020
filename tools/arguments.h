// What the command-line tools share in reading their arguments: getopt_long
// walks them in the order given, and the texts for help, version and wrong
// usage read alike in every tool.
#ifndef KODEXA_TOOLS_ARGUMENTS_H
#define KODEXA_TOOLS_ARGUMENTS_H

#include <getopt.h>

#include <string>

namespace kodexa {

// Argument::option, besides the val of an entry in the option table.
constexpr int kOperand = 1;          // not an option: value holds it
constexpr int kUnknownOption = '?';  // text holds it as given
constexpr int kMissingValue = ':';   // an option that needs a value came last
constexpr int kHelpOption = 'h';     // --help, the one option with a short form, -h

constexpr int kUsageExit = 2;

struct Argument {
    int option = kOperand;
    std::string text;   // the argument as given
    std::string value;  // the option's value, or the operand
};

// Hands out the arguments one by one, in their order, so that the first
// wrong one is the one named. An option counts only as spelled in full:
// getopt_long's abbreviations, --name=value and bundled short options all
// come back as kUnknownOption, as a typo should. Everything after "--" is
// an operand.
class ArgumentReader {
public:
    // options ends with a zeroed entry.
    ArgumentReader(int argc, char** argv, const option* options) : argc(argc), argv(argv), options(options) {}

    // False once every argument is read.
    bool Next(Argument& argument);

private:
    bool Spelled(const std::string& text) const;

    int argc;
    char** argv;
    const option* options;
    bool optionsEnded = false;
};

// "TOOL: MESSAGE" and the way to the help on standard error; answers
// kUsageExit.
int UsageError(const char* tool, const std::string& message);

// The usage text on standard output; answers 0.
int ShowUsage(const char* usage);

// "TOOL VERSION" on standard output; answers 0.
int ShowVersion(const char* tool);

// Exit status of a tool whose standard output could not be written.
constexpr int kOutputFailedExit = 5;

// Flushes standard output. When anything written to it was lost (a full
// disk, a closed pipe), says so on standard error and answers
// kOutputFailedExit, since the answer never reached its reader; otherwise
// answers status.
int FinishOutput(const char* tool, int status);

}  // namespace kodexa

#endif
