// Last-in first-out stack of node addresses: the path from the root down
// that insertion and removal climb back up.
#ifndef KODEXA_INDEX_ADDRESS_STACK_H
#define KODEXA_INDEX_ADDRESS_STACK_H

#include "store/file_address.h"

namespace kodexa {

class AddressStack {
public:
    AddressStack() = default;
    ~AddressStack() { Clear(); }
    AddressStack(const AddressStack&) = delete;
    AddressStack& operator=(const AddressStack&) = delete;

    // False only when memory runs out.
    bool Push(FileAddress address);
    // 0 when empty.
    FileAddress Pop();
    void Clear();
    bool IsEmpty() const { return top == nullptr; }

private:
    struct Node {
        FileAddress address;
        Node* below;
    };
    Node* top = nullptr;
};

}  // namespace kodexa

#endif
