// The key of all three catalogue indexes: a record's code (at most seven
// characters) with the address of the record object, ordered by the code's
// bytes alone.
#ifndef KODEXA_CATALOGUE_CATALOGUE_KEY_H
#define KODEXA_CATALOGUE_CATALOGUE_KEY_H

#include <string>

#include "index/index_key.h"
#include "store/file_address.h"

namespace kodexa {

// The class tag every catalogue record carries in its object header and key.
constexpr int32_t kCatalogueClassTag = 1024;
// Longer codes are cut; the eighth byte of the image is always the terminator.
constexpr int kKeyCodeLength = 7;

class CatalogueKey : public IndexKey {
public:
    // All sixteen bytes zero.
    CatalogueKey();
    // code may be null (an empty code).
    CatalogueKey(const char* code, FileAddress objectAddress, FileAddress classTag);

    int KeySize() const override { return sizeof image; }
    int IsEqual(const IndexKey& other) const override;
    int IsGreater(const IndexKey& other) const override;
    int CompareToImage(const unsigned char* storedImage) const override;

    // The code as the image holds it; a damaged image without terminator
    // gives at most eight characters.
    std::string Code() const;
    FileAddress ObjectAddress() const { return image.objectAddress; }
    FileAddress ClassTag() const { return image.classTag; }

private:
    struct Image {
        unsigned char code[kKeyCodeLength + 1];
        FileAddress objectAddress;
        FileAddress classTag;
    };
    static_assert(sizeof(Image) == 16, "catalogue key image is 16 bytes");

    Image image;
};

}  // namespace kodexa

#endif
