#include "catalogue/alpha_terms.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string_view>

#include "catalogue/record_walk.h"
#include "catalogue/search_fold.h"

namespace kodexa {

namespace {

constexpr int kObjectHeaderSize = sizeof(ObjectHeader);
constexpr char kFieldEnd = '\t';
constexpr char kTermEnd = '\n';
constexpr int kFieldsPerTerm = 6;

// A failing store call has recorded its code; should it ever not have, the
// caller must still not see success.
int FailWith(StoreFile& store) {
    int code = store.LastError();
    return code != kNoError ? code : store.SetError(kReadError);
}

// Splits one packed line into its fields; false unless there are exactly six.
bool SplitTerm(std::string_view line, std::string_view (&fields)[kFieldsPerTerm]) {
    int count = 0;
    size_t start = 0;
    for (;;) {
        size_t end = line.find(kFieldEnd, start);
        if (count == kFieldsPerTerm) return false;
        fields[count++] = line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return count == kFieldsPerTerm && fields[0].size() == 1;
}

AlphaTerm TermOf(const std::string_view (&fields)[kFieldsPerTerm]) {
    AlphaTerm term;
    term.kind = fields[0][0];
    term.primary = std::string(fields[1]);
    term.asterisk = std::string(fields[2]);
    term.additional = std::string(fields[3]);
    term.secondPrimary = std::string(fields[4]);
    term.term = std::string(fields[5]);
    return term;
}

}  // namespace

std::string ShownCodes(const AlphaTerm& term) {
    std::string shown;
    for (const std::string* code : {&term.primary, &term.asterisk, &term.additional, &term.secondPrimary}) {
        if (code->empty()) continue;
        if (!shown.empty()) shown += ' ';
        shown += *code;
    }
    return shown;
}

std::string TitleCode(const AlphaTerm& term) {
    if (!term.primary.empty()) return BareCode(term.primary);
    if (!term.secondPrimary.empty()) return BareCode(term.secondPrimary);
    if (!term.additional.empty()) return BareCode(term.additional);
    return BareCode(term.asterisk);
}

std::string BareCode(const std::string& written) {
    std::string code = written;
    if (!code.empty() && (code.back() == '+' || code.back() == '*' || code.back() == '!')) code.pop_back();
    if (!code.empty() && code.back() == '-') code.pop_back();
    if (!code.empty() && code.back() == '.') code.pop_back();
    return code;
}

std::string PackTerms(const std::vector<AlphaTerm>& terms) {
    std::string text;
    for (const AlphaTerm& term : terms) {
        text += term.kind;
        for (const std::string* field :
             {&term.primary, &term.asterisk, &term.additional, &term.secondPrimary, &term.term}) {
            text += kFieldEnd;
            text += *field;
        }
        text += kTermEnd;
    }
    return text;
}

std::vector<AlphaTerm> UnpackTerms(const std::string& text) {
    std::vector<AlphaTerm> terms;
    std::string_view rest(text);
    while (!rest.empty()) {
        size_t end = rest.find(kTermEnd);
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        std::string_view fields[kFieldsPerTerm];
        if (SplitTerm(line, fields)) terms.push_back(TermOf(fields));
    }
    return terms;
}

std::string AlphaBlockName(size_t number) {
    char name[16];
    std::snprintf(name, sizeof name, "%07zu", number);
    return name;
}

int AlphaBlockRecord::Read(FileAddress a) {
    StoreFile* store = Store();
    if (store == nullptr) return kNoDatabaseOpen;
    ObjectHeader header;
    if (ReadObjectHeader(header, a) != kNoError) return FailWith(*store);
    if (header.classTag != kAlphaBlockClassTag) return store->SetError(kWrongObjectType);
    std::unique_ptr<char[]> text(ReadString(kCurrentPosition));
    if (!text) return FailWith(*store);
    terms = text.get();
    address = a;
    return kNoError;
}

// Stored and indexed, or handed back: the block is only written by the
// importer into a fresh file, where a failure ends the import anyway, but
// the file must not keep an object no key leads to.
int AlphaBlockRecord::Write() {
    StoreFile* store = Store();
    if (store == nullptr) return kNoDatabaseOpen;
    FileAddress stored = store->Allocate(ObjectSize() + kObjectHeaderSize, kFirstFit);
    if (stored == 0) return FailWith(*store);
    ObjectHeader header{kAlphaBlockClassTag, stored};
    if (WriteObjectHeader(header, kCurrentPosition) != kNoError || WriteString(terms.c_str(), kCurrentPosition) != 0) {
        const int failure = FailWith(*store);
        store->Remove(stored, 1);
        return store->SetError(failure);
    }
    store->WriteObjectChecksum(stored);
    if (store->LastError() != kNoError) return store->LastError();
    if (database->UseIndex() == 1) {
        CatalogueKey key(name.c_str(), stored, kAlphaBlockClassTag), scratch;
        if (!AddKey(key, scratch, 0, kFlush)) {
            int error = database->IndexError(0);
            return database->SetIndexError(error != kNoError ? error : kInsertError, 0);
        }
    }
    address = stored;
    return kNoError;
}

int AlphaBlockRecord::Find() {
    if (database == nullptr) return 0;
    CatalogueKey key(name.c_str(), 0, 0), scratch;
    if (!FindKey(key, scratch, 0, kSyncHeader)) return 0;
    address = key.ObjectAddress();
    return 1;
}

// The key goes first: an index entry must never lead to a freed block.
int AlphaBlockRecord::Delete() {
    if (database == nullptr) return 0;
    CatalogueKey key(name.c_str(), 0, 0), scratch;
    if (!FindKey(key, scratch, 0, kSyncHeader)) return 0;
    const FileAddress object = key.ObjectAddress();
    if (!DeleteKey(key, scratch, 0, kFlush)) return 0;
    return RemoveObject(object) ? 1 : 0;
}

int AlphaBlockRecord::ObjectSize() { return StringSize(terms.c_str()); }

namespace {

// Hands every line of a block whose term holds needle to sink. The folding
// maps byte to byte, so the folded block lines up with the stored one: one
// find over the folded block skips whole lines without a hit, and a hit
// counts only when it lies in the term, the last field of its line.
bool SearchBlock(const std::string& needle, const std::string& terms, std::string& folded, SearchSink& sink) {
    folded.resize(terms.size());
    for (size_t p = 0; p < terms.size(); ++p) folded[p] = FoldedAt(terms.data(), p);
    const std::string_view all(folded), stored(terms);
    bool found = false;
    size_t from = 0;
    while (from < all.size()) {
        const size_t hit = needle.empty() ? from : all.find(needle, from);
        if (hit == std::string_view::npos) break;
        const size_t lineStart = hit == 0 ? 0 : all.rfind(kTermEnd, hit - 1) + 1;
        size_t lineEnd = all.find(kTermEnd, hit);
        if (lineEnd == std::string_view::npos) lineEnd = all.size();
        const size_t termStart = all.rfind(kFieldEnd, lineEnd == 0 ? 0 : lineEnd - 1);
        // An empty needle occurs in every term.
        const bool inTerm = termStart != std::string_view::npos && termStart >= lineStart &&
                            (needle.empty() || (hit > termStart && hit + needle.size() <= lineEnd));
        if (!inTerm && !needle.empty() && hit + 1 < lineEnd) {
            from = hit + 1;  // a later hit on the same line may lie in the term
            continue;
        }
        std::string_view fields[kFieldsPerTerm];
        if (inTerm && SplitTerm(stored.substr(lineStart, lineEnd - lineStart), fields)) {
            const AlphaTerm term = TermOf(fields);
            sink.AddTerm(TermHit{ShownCodes(term), TitleCode(term), term.term});
            found = true;
        }
        from = lineEnd + 1;
    }
    return found;
}

}  // namespace

// Only the term is searched, never the codes. An unreadable block costs its
// own terms only.
WalkResult SearchAlphaTerms(ObjectDatabase& alphaDb, const std::string& text, SearchSink& sink) {
    const std::string needle = FoldCase(text);
    AlphaBlockRecord block(&alphaDb);
    std::string folded;
    WalkResult result;
    result.status = ForEachRecord(alphaDb, block, [&] {
        result.found = SearchBlock(needle, block.terms, folded, sink) || result.found;
    });
    return result;
}

}  // namespace kodexa
