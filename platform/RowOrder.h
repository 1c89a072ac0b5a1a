#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

// The order of a table's rows: position i holds the storage slot of the i-th row. Inserting
// or removing at any position, and finding a position by its slot's key, take logarithmic
// time, so that rows posted in any order cost n log n; reads by position are constant-time
// once the order has been read often enough since its last change to pay for a flat copy.
// Rows that only ever go last, the usual case, stay in the flat copy: the tree is built the
// first time a row goes elsewhere.

namespace platform {

class RowOrder {
public:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    std::size_t Size() const { return tree_ ? Weight(root_) : flat_.size(); }
    std::size_t SlotAt(std::size_t position) const;      // position < Size()
    void Insert(std::size_t position, std::size_t slot); // position <= Size(); slot unused
    std::size_t Erase(std::size_t position);             // the slot that was there
    // The slots in this order, replacing the present ones.
    void Assign(const std::vector<std::size_t>& slots);
    void Clear();
    // Every slot in order.
    std::vector<std::size_t> Slots() const;

    // The first position whose slot `after` holds for, in an order where it holds for a tail
    // of the positions only; Size() when it holds for none.
    template <typename After> std::size_t PartitionPoint(After after) const {
        if (flatValid_)
            return static_cast<std::size_t>(
                std::partition_point(flat_.begin(), flat_.end(),
                                     [&](std::size_t slot) { return !after(slot); }) -
                flat_.begin());
        std::size_t position = 0;
        std::size_t node = root_;
        std::size_t found = Size();
        while (node != kNone) {
            if (after(node)) {
                found = position + Weight(nodes_[node].left);
                node = nodes_[node].left;
            } else {
                position += Weight(nodes_[node].left) + 1;
                node = nodes_[node].right;
            }
        }
        return found;
    }

private:
    // A tree node per slot, kept in heap order of `priority` (a treap), each with the count
    // of the rows under it.
    struct Node {
        std::size_t left = kNone;
        std::size_t right = kNone;
        std::size_t weight = 0;
        std::uint32_t priority = 0;
    };

    std::size_t Weight(std::size_t node) const { return node == kNone ? 0 : nodes_[node].weight; }
    void Update(std::size_t node);
    // Cuts the tree into its first `count` rows and the rest.
    void Split(std::size_t node, std::size_t count, std::size_t& first, std::size_t& rest);
    std::size_t Merge(std::size_t first, std::size_t rest);
    std::size_t NewNode(std::size_t slot);
    std::uint32_t NextPriority();
    void Changed();
    void BuildTree();

    bool tree_ = false;       // false while the flat copy is the order
    std::vector<Node> nodes_; // by slot
    std::size_t root_ = kNone;
    std::uint32_t seed_ = 2463534242u;

    // A flat copy of the order, valid while `flatValid_`; tree reads since the last change
    // count towards making it.
    mutable std::vector<std::size_t> flat_;
    mutable bool flatValid_ = true;
    mutable std::size_t treeReads_ = 0;
};

} // namespace platform
