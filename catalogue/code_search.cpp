// A scan of every code in index order; the cost is the same whatever the
// text, one object read per code.
#include <string>

#include "catalogue/catalogue_records.h"
#include "catalogue/catalogue_sink.h"

namespace kodexa {

namespace {

constexpr int kSyncHeader = 1;

// The second byte of Ä, Ö and Ü in UTF-8.
bool IsCapitalUmlautTail(char byte) {
    const unsigned char tail = static_cast<unsigned char>(byte);
    return tail == 0x84 || tail == 0x96 || tail == 0x9C;
}

// Folds A to Z, as tolower does in the C locale, whatever locale the
// process runs in, and the capital umlauts of the UTF-8 catalogue (C3 84,
// C3 96, C3 9C) to the small ones (C3 A4, C3 B6, C3 BC): titles begin with
// "Übelkeit" or "Ödem", and a user types them in small letters. Every other
// byte stays as it is.
std::string FoldCase(std::string text) {
    for (std::string::size_type i = 0; i < text.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        if (byte >= 'A' && byte <= 'Z') {
            text[i] = static_cast<char>(byte - 'A' + 'a');
        } else if (byte == 0xC3 && i + 1 < text.size() && IsCapitalUmlautTail(text[i + 1])) {
            text[++i] += 0x20;
        }
    }
    return text;
}

// An empty needle occurs everywhere, in an empty text too.
bool Occurs(const std::string& needle, const RecordText& text) {
    return FoldCase(TextOrEmpty(text)).find(needle) != std::string::npos;
}

}  // namespace

// Besides the title, the code itself is searched, so that typing a code or
// its beginning lists that code and its sub-codes.
bool SearchCodes(ObjectDatabase& codeDb, const std::string& text, SearchSink& sink, ReadTrouble* trouble) {
    BtreeIndex* index = codeDb.Index(0);
    if (index == nullptr) return false;
    ReadTrouble ignored;
    ReadTrouble& noted = trouble != nullptr ? *trouble : ignored;
    const std::string needle = FoldCase(text);
    CodeRecord record(&codeDb);
    CatalogueKey key, scratch;
    bool found = false;
    int more = index->FindFirst(key, kSyncHeader);
    for (; more; more = index->FindNext(key, scratch, kSyncHeader)) {
        // An unreadable object costs its own line only; the rest is shown.
        if (!record.ReadAt(key.ObjectAddress())) {
            noted.Note(codeDb.DataFile());
            continue;
        }
        if (Occurs(needle, record.title) || Occurs(needle, record.code)) {
            sink.AddResult(TextOrEmpty(record.code), TextOrEmpty(record.title));
            found = true;
        }
        record.ReleaseTexts();
    }
    noted.NoteIfFailed(*index);
    return found;
}

}  // namespace kodexa
