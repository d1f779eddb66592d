#pragma once

// Internal: the states of destroyed encoders, kept for the next encoder of their kind. A frame
// opens several passes; reusing their states keeps it from allocating. There is one GL context
// per process, so one pool per kind serves it. Main thread only, like every encoder.

#include <cstddef>
#include <memory>
#include <vector>

namespace lumen::gpu::detail {

template <class State>
class StatePool {
public:
    StatePool() { spare_.reserve(capacity); }

    // A state as its last owner left it (or a new one): the caller sets every field it reads.
    std::unique_ptr<State> take()
    {
        if (spare_.empty()) {
            return std::make_unique<State>();
        }
        auto state = std::move(spare_.back());
        spare_.pop_back();
        return state;
    }

    void give(std::unique_ptr<State> state)
    {
        if (state && spare_.size() < capacity) {
            spare_.push_back(std::move(state));
        }
    }

private:
    // Encoders are open one at a time; a few ended ones may be alive together.
    static constexpr std::size_t capacity = 4;
    std::vector<std::unique_ptr<State>> spare_;
};

}  // namespace lumen::gpu::detail
