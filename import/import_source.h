// Finding and reading the classification text files an import starts from:
// the chapters, groups and codes files of one ICD-10 edition, in whatever
// naming and encoding that year's download used.
#ifndef KODEXA_IMPORT_IMPORT_SOURCE_H
#define KODEXA_IMPORT_IMPORT_SOURCE_H

#include <string>
#include <vector>

namespace kodexa {

// What went wrong where; line 0 when the whole file is concerned.
struct ImportError {
    std::string file;
    int line = 0;
    std::string message;
};
// "file, line N: message", or "file: message" without a line.
std::string FormatImportError(const ImportError& error);

enum class SourceRole { Chapters, Groups, Codes, AlphaIndex, Transitions };
// "chapters", "groups", "codes", "alphabetical index", "transition table"
const char* RoleName(SourceRole role);

struct SourceFiles {
    std::string chapters, groups, codes;
};

// Whether name is one of the classification files, and which; edition
// receives the name with the role word taken out, so that the three files
// of one edition give the same edition text. Recognised (case ignored):
// icd10gm2024syst_kodes.txt, icd10gmsyst_kodes2010.txt,
// icd10who2019syst_kodes.txt, icd102019syst_codes.txt and the matching
// chapter (kapitel, chapters) and group (gruppen, groups) names.
bool ClassifySourceName(const std::string& name, SourceRole& role, std::string& edition);

// The one file in dir whose name isWanted: path stays empty when there is
// none, and several are an error naming them and the option that picks one
// ("several transition tables (...); name one with --transitions FILE").
bool FindOptionalSource(const std::string& dir, bool (*isWanted)(const std::string&), const std::string& several,
                        const std::string& option, std::string& path, ImportError& error);

// Looks in dir for exactly one chapters, groups and codes file of one
// edition. Several candidates for a role, or files of different editions,
// are refused: the caller then names the files explicitly.
bool FindSourceFiles(const std::string& dir, SourceFiles& files, ImportError& error);

enum class SourceEncoding { Utf8, Utf8WithMark, Latin1 };
const char* EncodingName(SourceEncoding encoding);

struct SourceLine {
    int number = 0;  // 1-based line of the file
    std::vector<std::string> fields;
};

struct SourceText {
    std::string path;
    SourceEncoding encoding = SourceEncoding::Utf8;
    std::vector<SourceLine> lines;  // empty lines are left out
};

bool IsValidUtf8(const std::string& bytes);
// ISO-8859-1 to UTF-8 through iconv; false when iconv refuses.
bool Latin1ToUtf8(const std::string& latin1, std::string& utf8);

// Reads path as UTF-8 text: a byte-order mark is skipped, a file that is
// not valid UTF-8 is taken as ISO-8859-1 and converted. Lines end in LF or
// CRLF; fields are split at separator. A control character anywhere in a
// line (C0, DEL or C1) is refused, naming the line.
bool ReadSourceText(const std::string& path, SourceText& text, ImportError& error, char separator = ';');

}  // namespace kodexa

#endif
