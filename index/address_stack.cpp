#include "index/address_stack.h"

#include <new>

namespace kodexa {

bool AddressStack::Push(FileAddress address) {
    Node* node = new (std::nothrow) Node{address, top};
    if (node == nullptr) return false;
    top = node;
    return true;
}

FileAddress AddressStack::Pop() {
    if (top == nullptr) return 0;
    Node* node = top;
    FileAddress address = node->address;
    top = node->below;
    delete node;
    return address;
}

void AddressStack::Clear() {
    while (top != nullptr) Pop();
}

}  // namespace kodexa
