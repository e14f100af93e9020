// A scan of every code in index order; the cost is the same whatever the
// text, one object read per code.
#include <string>
#include <utility>

#include "catalogue/catalogue_records.h"
#include "catalogue/catalogue_sink.h"
#include "catalogue/record_walk.h"
#include "catalogue/search_query.h"

namespace kodexa {

namespace {

using CodeHit = std::pair<std::string, std::string>;  // code, title

// Plain hits go to the sink as they are met, the others when the walk is
// done; answers whether the record was a plain hit.
bool Take(SearchQuery& query, const CodeRecord& record, SearchSink& sink, LaterHits<CodeHit>& later) {
    const std::string& code = TextOrEmptyRef(record.code);
    const std::string& title = TextOrEmptyRef(record.title);
    const SearchStep step = query.Match(title, code, {code});
    if (step == SearchStep::Plain) sink.AddResult(code, title);
    else if (step != SearchStep::None) later.Keep(step, CodeHit(code, title));
    return step == SearchStep::Plain;
}

}  // namespace

// Besides the title, the code itself is searched, so that typing a code or
// its beginning lists that code and its sub-codes. An unreadable record costs
// its own line only; the rest is shown.
WalkResult SearchCodes(ObjectDatabase& codeDb, const std::string& text, SearchSink& sink, SearchScope scope) {
    SearchQuery query(text, scope);
    LaterHits<CodeHit> later;
    CodeRecord record(&codeDb);
    WalkResult result;
    result.status = ForEachRecord(codeDb, record, [&] {
        if (sink.Stopped()) return false;
        result.found = Take(query, record, sink, later) || result.found;
        // The texts stay: the next read reuses their room.
        return true;
    });
    if (sink.Stopped()) return result;
    result.found = later.HandOn(sink, [&sink](const CodeHit& hit) { sink.AddResult(hit.first, hit.second); }) ||
                   result.found;
    return result;
}

}  // namespace kodexa
