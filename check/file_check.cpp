// The whole file check: the store part, then for index files the tree part.
#include "check/file_check.h"

#include <cctype>
#include <cerrno>
#include <cstring>

#include "check/store_scan.h"
#include "check/tree_check.h"

namespace kodexa {

void CheckReport::Fact(const std::string& label, const std::string& value) { facts.push_back(label + ": " + value); }

void CheckReport::Warn(const std::string& text) { warnings.push_back(text); }

void CheckReport::Problem(const std::string& text) {
    if (problemCount++ < kMaxListedProblems) problems.push_back(text);
}

bool IsIndexFileName(const std::string& name) {
    if (name.size() < 4) return false;
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".ndx";
}

CheckReport CheckStore(StoreFile& file, bool asIndex) {
    CheckReport report;
    StoreScan scan;
    if (ScanStore(file, report, scan) && asIndex) CheckTree(file, scan, report);
    return report;
}

CheckReport CheckStoreFile(const std::string& name, bool asIndex) {
    StoreFile file;
    int code = file.Open(name.c_str(), kReadOnlyMode);
    if (code == kOpenError) {
        CheckReport report;
        report.Problem("cannot open the file: " + std::string(std::strerror(errno)));
        return report;
    }
    if (code == kReadError) {
        CheckReport report;
        report.Problem("too short for a store file header");
        return report;
    }
    if (code != kNoError) {
        CheckReport report;
        report.Problem(code == kWrongFileType ? "not a store file: the signature is not KVDBASE"
                                              : std::string("cannot open the file: ") + file.ErrorDescription());
        return report;
    }
    return CheckStore(file, asIndex);
}

}  // namespace kodexa
