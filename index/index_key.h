// Base of every key class kept in a B-tree index. The tree never looks at
// key bytes itself: it copies the image in and out of node entries and
// orders keys only through IsGreater and IsEqual.
#ifndef KODEXA_INDEX_INDEX_KEY_H
#define KODEXA_INDEX_INDEX_KEY_H

#include <climits>

#include "store/file_address.h"

namespace kodexa {

class IndexKey {
public:
    // The image belongs to the derived key (usually a member array); the key
    // only points at it.
    explicit IndexKey(void* keyImage) : address(0), image(static_cast<unsigned char*>(keyImage)) {}
    virtual ~IndexKey() = default;
    // A copied base would point at the other key's image; derived keys that
    // want copies build them on their own image.
    IndexKey(const IndexKey&) = delete;
    IndexKey& operator=(const IndexKey&) = delete;

    virtual int KeySize() const = 0;
    virtual int IsEqual(const IndexKey& other) const = 0;
    virtual int IsGreater(const IndexKey& other) const = 0;

    // Orders this key against a stored image of KeySize() bytes where it
    // lies, sparing the tree a copy into a scratch key and two calls per
    // entry: negative, 0 or positive as this key is below, equal to or above
    // it, agreeing with IsGreater and IsEqual. A key class that can only
    // order whole keys answers kNoImageOrder.
    static constexpr int kNoImageOrder = INT_MIN;
    virtual int CompareToImage(const unsigned char* storedImage) const;

    unsigned char* KeyImage() { return image; }
    const unsigned char* KeyImage() const { return image; }

    // Takes over the other key's link and as much of its image as both hold.
    void CopyFrom(const IndexKey& other);

    // The link stored with the key in a node entry.
    FileAddress address;

private:
    unsigned char* image;
};

}  // namespace kodexa

#endif
