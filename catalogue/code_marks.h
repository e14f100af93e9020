// The marks and the use of every code, read once from the facts database
// for the lists that show thousands of codes: a lookup per code would read
// the facts' index again for each.
#ifndef KODEXA_CATALOGUE_CODE_MARKS_H
#define KODEXA_CATALOGUE_CODE_MARKS_H

#include <string>
#include <vector>

#include "catalogue/code_form.h"

namespace kodexa {

class ObjectDatabase;

struct CodeUse {
    CodeMark mark = CodeMark::None;
    bool forCoding = true;  // false for the codes not allowed in practices (use 'V')
};

class CodeMarks {
public:
    // Reads every code of an open facts database; false when a record or
    // the index could not be read (what was read is kept). A database that
    // is not open gives an empty table.
    bool Load(ObjectDatabase& facts);
    // CodeUse() for a code the table does not hold.
    CodeUse Of(const std::string& code) const;
    // The codes read, and those kept: only a code with a mark or not for
    // coding is kept, the others are shown as they are.
    size_t CodesRead() const { return read; }
    size_t Kept() const { return entries.size(); }

private:
    struct Entry {
        std::string code;
        CodeUse use;
        char terminal;
    };
    static void MarkCategories(std::vector<Entry>& all);

    std::vector<Entry> entries;  // in code order
    size_t read = 0;
};

}  // namespace kodexa

#endif
