#include "tools/arguments.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "kodexa_version.h"

namespace kodexa {

namespace {

// '-': operands come back in their place, whatever POSIXLY_CORRECT says;
// ':': a missing value answers ':' rather than '?'.
constexpr char kShortOptions[] = "-:h";

}  // namespace

bool ArgumentReader::Next(Argument& argument) {
    if (!optionsEnded) {
        opterr = 0;  // the tools word their own messages
        const int at = optind;
        const int found = getopt_long(argc, argv, kShortOptions, options, nullptr);
        if (found != -1) {
            argument.text = argv[at];
            argument.value = optarg != nullptr ? optarg : "";
            const bool known = found == kOperand || (found != kUnknownOption && Spelled(argument.text));
            argument.option = known ? found : kUnknownOption;
            return true;
        }
        optionsEnded = true;  // optind now stands on the first operand after "--", if any
    }
    if (optind >= argc) return false;
    argument = {kOperand, argv[optind], argv[optind]};
    ++optind;
    return true;
}

bool ArgumentReader::Spelled(const std::string& text) const {
    if (text == "-h") return true;
    for (const option* entry = options; entry->name != nullptr; ++entry)
        if (text == std::string("--") + entry->name) return true;
    return false;
}

int UsageError(const char* tool, const std::string& message) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", tool, message.c_str(), tool);
    return kUsageExit;
}

int ShowUsage(const char* usage) {
    std::fputs(usage, stdout);
    return 0;
}

int ShowVersion(const char* tool) {
    std::printf("%s %s\n", tool, KODEXA_VERSION);
    return 0;
}

int FinishOutput(const char* tool, int status) {
    errno = 0;
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return status;
    const int cause = errno;
    std::fprintf(stderr, "%s: cannot write to standard output%s%s\n", tool, cause != 0 ? ": " : "",
                 cause != 0 ? std::strerror(cause) : "");
    return kOutputFailedExit;
}

}  // namespace kodexa
