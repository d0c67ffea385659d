#pragma once

#include <mutex>
#include <utility>

namespace tessaly {

// Rows travel from a worker thread to the user-interface thread through a
// mailbox: the worker adds to what is waiting, and only the first addition
// after a delivery asks for one; the delivery takes everything waiting and
// hands it to the list in one insert. However fast the worker runs, the
// window never has more than one delivery queued, so it stays responsive.
template <typename Batch>
class Mailbox {
  public:
    // Adds `batch` to what is waiting (with `merge(waiting, batch)`); true
    // when the caller must ask for a delivery.
    template <typename Merge>
    bool put(Batch&& batch, Merge merge) {
        std::lock_guard lock(mutex_);
        merge(waiting_, std::move(batch));
        if (requested_) return false;
        requested_ = true;
        return true;
    }

    // Everything waiting; the next put asks for a new delivery.
    Batch take() {
        std::lock_guard lock(mutex_);
        requested_ = false;
        return std::exchange(waiting_, Batch{});
    }

  private:
    std::mutex mutex_;
    Batch waiting_{};
    bool requested_ = false;
};

}  // namespace tessaly
