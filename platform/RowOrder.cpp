#include "platform/RowOrder.h"

namespace platform {

std::size_t RowOrder::SlotAt(std::size_t position) const {
    if (flatValid_)
        return flat_[position];
    std::size_t node = root_;
    for (;;) {
        const std::size_t left = Weight(nodes_[node].left);
        if (position < left) {
            node = nodes_[node].left;
        } else if (position == left) {
            break;
        } else {
            position -= left + 1;
            node = nodes_[node].right;
        }
    }
    // A walk over the rows reads every position: once the reads since the last change have
    // paid for it, a flat copy makes each of them constant-time.
    if (++treeReads_ * 8 >= Size()) {
        flat_ = Slots();
        flatValid_ = true;
    }
    return node;
}

void RowOrder::Insert(std::size_t position, std::size_t slot) {
    if (position == Size()) {
        if (tree_)
            root_ = Merge(root_, NewNode(slot));
        if (flatValid_)
            flat_.push_back(slot);
        return;
    }
    BuildTree();
    std::size_t first = kNone;
    std::size_t rest = kNone;
    Split(root_, position, first, rest);
    root_ = Merge(Merge(first, NewNode(slot)), rest);
    Changed();
}

std::size_t RowOrder::Erase(std::size_t position) {
    if (!tree_) {
        const std::size_t erased = flat_[position];
        if (position + 1 == flat_.size()) {
            flat_.pop_back();
            return erased;
        }
        BuildTree();
    }
    const bool last = position + 1 == Size();
    std::size_t first = kNone;
    std::size_t rest = kNone;
    std::size_t erased = kNone;
    std::size_t after = kNone;
    Split(root_, position, first, rest);
    Split(rest, 1, erased, after);
    root_ = Merge(first, after);
    if (last && flatValid_)
        flat_.pop_back();
    else
        Changed();
    return erased;
}

void RowOrder::Assign(const std::vector<std::size_t>& slots) {
    Clear();
    flat_ = slots;
}

void RowOrder::Clear() {
    tree_ = false;
    nodes_.clear();
    root_ = kNone;
    flat_.clear();
    flatValid_ = true;
    treeReads_ = 0;
}

std::vector<std::size_t> RowOrder::Slots() const {
    if (flatValid_)
        return flat_;
    std::vector<std::size_t> slots;
    slots.reserve(Size());
    std::vector<std::size_t> path;
    std::size_t node = root_;
    while (node != kNone || !path.empty()) {
        while (node != kNone) {
            path.push_back(node);
            node = nodes_[node].left;
        }
        node = path.back();
        path.pop_back();
        slots.push_back(node);
        node = nodes_[node].right;
    }
    return slots;
}

void RowOrder::Update(std::size_t node) {
    nodes_[node].weight = 1 + Weight(nodes_[node].left) + Weight(nodes_[node].right);
}

void RowOrder::Split(std::size_t node, std::size_t count, std::size_t& first, std::size_t& rest) {
    if (node == kNone) {
        first = rest = kNone;
        return;
    }
    const std::size_t left = Weight(nodes_[node].left);
    if (count <= left) {
        Split(nodes_[node].left, count, first, nodes_[node].left);
        rest = node;
    } else {
        Split(nodes_[node].right, count - left - 1, nodes_[node].right, rest);
        first = node;
    }
    Update(node);
}

std::size_t RowOrder::Merge(std::size_t first, std::size_t rest) {
    if (first == kNone)
        return rest;
    if (rest == kNone)
        return first;
    if (nodes_[first].priority > nodes_[rest].priority) {
        nodes_[first].right = Merge(nodes_[first].right, rest);
        Update(first);
        return first;
    }
    nodes_[rest].left = Merge(first, nodes_[rest].left);
    Update(rest);
    return rest;
}

std::size_t RowOrder::NewNode(std::size_t slot) {
    if (slot >= nodes_.size())
        nodes_.resize(slot + 1);
    nodes_[slot] = Node{kNone, kNone, 1, NextPriority()};
    return slot;
}

std::uint32_t RowOrder::NextPriority() {
    // A fixed xorshift sequence: the tree's shape, and so its depth, is the same on every run.
    seed_ ^= seed_ << 13;
    seed_ ^= seed_ >> 17;
    seed_ ^= seed_ << 5;
    return seed_;
}

void RowOrder::BuildTree() {
    if (tree_)
        return;
    nodes_.clear();
    root_ = kNone;
    for (const std::size_t slot : flat_)
        root_ = Merge(root_, NewNode(slot));
    tree_ = true;
}

void RowOrder::Changed() {
    flatValid_ = false;
    flat_.clear();
    treeReads_ = 0;
}

} // namespace platform
