#include "catalogue/alpha_terms.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string_view>

#include "catalogue/record_walk.h"
#include "catalogue/search_query.h"

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
    // The importer writes no line without a term: one is damage, not a hit.
    return count == kFieldsPerTerm && fields[0].size() == 1 && !fields[kFieldsPerTerm - 1].empty();
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

// A code as the index writes it, without its mark and dash, as BareCode.
std::string_view BareView(std::string_view code) {
    if (!code.empty() && (code.back() == '+' || code.back() == '*' || code.back() == '!')) code.remove_suffix(1);
    if (!code.empty() && code.back() == '-') code.remove_suffix(1);
    if (!code.empty() && code.back() == '.') code.remove_suffix(1);
    return code;
}

TermHit HitOf(const std::string_view (&fields)[kFieldsPerTerm]) {
    const AlphaTerm term = TermOf(fields);
    return TermHit{ShownCodes(term), TitleCode(term), term.term};
}

// Hands every line of a block whose term the query finds by its text to
// sink, and keeps the others it finds in later.
bool SearchBlock(SearchQuery& query, const std::string& terms, SearchSink& sink, LaterHits<TermHit>& later) {
    bool found = false;
    std::string_view rest(terms);
    while (!rest.empty()) {
        const size_t end = rest.find(kTermEnd);
        const std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        std::string_view fields[kFieldsPerTerm];
        if (!SplitTerm(line, fields)) continue;
        const SearchStep step = query.Match(fields[5], std::string_view(),
                                            {BareView(fields[1]), BareView(fields[2]), BareView(fields[3]),
                                             BareView(fields[4])});
        if (step == SearchStep::Plain) {
            sink.AddTerm(HitOf(fields));
            found = true;
        } else if (step != SearchStep::None) {
            later.Keep(step, HitOf(fields));
        }
    }
    return found;
}

}  // namespace

// Only the term is searched, never the codes. An unreadable block costs its
// own terms only.
WalkResult SearchAlphaTerms(ObjectDatabase& alphaDb, const std::string& text, SearchSink& sink, SearchScope scope) {
    SearchQuery query(text, scope);
    LaterHits<TermHit> later;
    AlphaBlockRecord block(&alphaDb);
    WalkResult result;
    result.status = ForEachRecord(alphaDb, block, [&] {
        if (sink.Stopped()) return false;
        result.found = SearchBlock(query, block.terms, sink, later) || result.found;
        return true;
    });
    if (sink.Stopped()) return result;
    result.found = later.HandOn(sink, [&sink](const TermHit& hit) { sink.AddTerm(hit); }) || result.found;
    return result;
}

}  // namespace kodexa
