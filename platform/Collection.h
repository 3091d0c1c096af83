#pragma once
// An ordered 1-based collection of shared objects: item 1 is the first added,
// adding appends, removing moves the later items up one place, and an index
// outside 1..Count raises the subscript error 9.

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Error.h"

template <typename T>
class Collection {
public:
    using Ptr = std::shared_ptr<T>;

    std::int32_t Count() const noexcept { return static_cast<std::int32_t>(items_.size()); }

    void Add(Ptr item) { items_.push_back(std::move(item)); }

    const Ptr& Item(std::int32_t index) const {
        if (index < 1 || index > Count()) raiseSubscriptOutOfRange("Collection::Item");
        return items_[static_cast<std::size_t>(index - 1)];
    }

    void Remove(std::int32_t index) {
        if (index < 1 || index > Count()) raiseSubscriptOutOfRange("Collection::Remove");
        items_.erase(items_.begin() + (index - 1));
    }

    void Clear() noexcept { items_.clear(); }
    void Reserve(std::size_t n) { items_.reserve(n); }

    // Enumeration in the order the items were added.
    auto begin() const noexcept { return items_.begin(); }
    auto end() const noexcept { return items_.end(); }

private:
    std::vector<Ptr> items_;
};
