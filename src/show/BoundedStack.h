// A stack that keeps only its newest `limit` elements, dropping the oldest, and reuses the
// slots of popped and dropped ones, so that pushing a step's record costs no allocation once
// the slots are warm.
#pragma once

#include <cstddef>
#include <vector>

template <class T>
class BoundedStack {
    std::vector<T> slots;  // a ring: the newest element is just before `end`
    std::size_t end = 0;
    std::size_t count = 0;
    std::size_t limit;
    bool dropped_ = false;

public:
    explicit BoundedStack(std::size_t limit) : limit(limit) {}

    // A slot for a new top element, holding whatever an earlier element left in it: the
    // caller overwrites every field.
    T& push() {
        if (end == slots.size()) slots.emplace_back();
        T& slot = slots[end];
        end = (end + 1) % limit;
        if (count < limit)
            ++count;
        else
            dropped_ = true;
        return slot;
    }
    T& top() { return slots[(end + limit - 1) % limit]; }
    // The oldest element, and forgetting it, as push does when the stack is full.
    T& bottom() { return slots[(end + limit - count) % limit]; }
    void dropBottom() {
        --count;
        dropped_ = true;
    }
    std::size_t size() const { return count; }
    void pop() {
        end = (end + limit - 1) % limit;
        --count;
    }
    bool empty() const { return count == 0; }
    // Whether old elements were dropped to keep within the limit.
    bool dropped() const { return dropped_; }
};
