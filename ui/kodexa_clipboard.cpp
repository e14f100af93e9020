// The copy commands and the window's side of the clipboard.
#include <cstring>

#include "catalogue/catalogue_records.h"
#include "catalogue/catalogue_sink.h"
#include "ui/item_data.h"
#include "ui/kodexa_window.h"

using namespace FX;

namespace kodexa {

namespace {

enum Page { kBrowserPage = 0, kSearchPage = 1 };

bool IsCodeKind(const ItemData* data) { return data->kind == kKindBranchCode || data->kind == kKindLeafCode; }

}  // namespace

// Found is false when there is no current item on the page that shows; the
// item itself may still carry no data.
ItemData* Kodexa::CurrentItemData(bool& found) const {
    found = false;
    switch (tabbook->getCurrent()) {
        case kBrowserPage: {
            FXTreeItem* item = tree->getCurrentItem();
            if (item == nullptr) {
                return nullptr;
            }
            found = true;
            return static_cast<ItemData*>(item->getData());
        }
        case kSearchPage: {
            const FXint index = resultList->getCurrentItem();
            if (index < 0) {
                return nullptr;
            }
            found = true;
            return static_cast<ItemData*>(resultList->getItemData(index));
        }
        default:
            return nullptr;
    }
}

long Kodexa::CopyCurrent(bool (Kodexa::*copy)(ItemData*)) {
    bool found = false;
    ItemData* data = CurrentItemData(found);
    if (found) (this->*copy)(data);
    return 1;
}

long Kodexa::onCmdCopyCode(FXObject*, FXSelector, void*) { return CopyCurrent(&Kodexa::copyCode); }

long Kodexa::onCmdCopyText(FXObject*, FXSelector, void*) { return CopyCurrent(&Kodexa::copyText); }

long Kodexa::onCmdCopyBoth(FXObject*, FXSelector, void*) { return CopyCurrent(&Kodexa::copyCodeAndText); }

bool Kodexa::copyCode(ItemData* data) {
    if (data == nullptr) {
        return false;
    }
    // UTF-8 first: catalogue texts are UTF-8, and that is what programs ask for first.
    const FXDragType types[] = {utf8Type, stringType, textType};
    if (!acquireClipboard(types, ARRAYNUMBER(types))) {
        return true;
    }
    KeepClipText(data->code);
    return true;
}

namespace {

// The code record for data's code, read in full; false when it is not there.
bool FindCodeRecord(ObjectDatabase& codeDb, const ItemData* data, FXString& code, FXString& title) {
    CodeRecord record(&codeDb);
    record.code = std::string(data->code.text(), data->code.length());
    if (record.Find() != 1 || record.Reload() != 1) {
        return false;
    }
    const std::string foundCode = TextOrEmpty(record.code);
    const std::string foundTitle = TextOrEmpty(record.title);
    code.assign(foundCode.c_str(), static_cast<FXint>(foundCode.size()));
    title.assign(foundTitle.c_str(), static_cast<FXint>(foundTitle.size()));
    record.ReleaseTexts();
    return true;
}

}  // namespace

bool Kodexa::copyText(ItemData* data) {
    FXString code;
    FXString title;
    if (data == nullptr || !IsCodeKind(data) || !FindCodeRecord(codeDb, data, code, title)) {
        return true;
    }
    const FXDragType types[] = {utf8Type, stringType, textType};
    if (acquireClipboard(types, ARRAYNUMBER(types))) {
        KeepClipText(title);
    }
    return true;
}

bool Kodexa::copyCodeAndText(ItemData* data) {
    FXString code;
    FXString title;
    if (data == nullptr || !IsCodeKind(data) || !FindCodeRecord(codeDb, data, code, title)) {
        return true;
    }
    const FXDragType types[] = {utf8Type, stringType, textType};
    if (acquireClipboard(types, ARRAYNUMBER(types))) {
        KeepClipText(code + " - " + title);
    }
    return true;
}

void Kodexa::KeepClipText(const FXString& text) {
    ForgetClipText();
    clipLength = text.length();
    clipText = new char[clipLength + 1];
    std::memcpy(clipText, text.text(), clipLength);
    clipText[clipLength] = '\0';
}

void Kodexa::ForgetClipText() {
    delete[] clipText;
    clipText = nullptr;
    clipLength = 0;
}

long Kodexa::onClipboardLost(FXObject* sender, FXSelector sel, void* ptr) {
    FXMainWindow::onClipboardLost(sender, sel, ptr);
    ForgetClipText();
    return 1;
}

long Kodexa::onClipboardGained(FXObject* sender, FXSelector sel, void* ptr) {
    FXMainWindow::onClipboardGained(sender, sel, ptr);
    return 1;
}

long Kodexa::onClipboardRequest(FXObject* sender, FXSelector sel, void* ptr) {
    if (FXMainWindow::onClipboardRequest(sender, sel, ptr)) {
        return 1;
    }
    const FXDragType type = static_cast<FXEvent*>(ptr)->target;
    if ((type != utf8Type && type != stringType && type != textType) || clipText == nullptr) {
        return 0;
    }
    // X11 selections carry their length, so UTF8_STRING gets the text alone;
    // the two plain types keep their terminating NUL.
    const FXuint size = type == utf8Type ? clipLength : clipLength + 1;
    FXuchar* bytes = nullptr;
    if (!FXMALLOC(&bytes, FXuchar, size + 1)) {
        return 0;
    }
    std::memcpy(bytes, clipText, size);
    setDNDData(FROM_CLIPBOARD, type, bytes, size);
    return 1;
}

}  // namespace kodexa
