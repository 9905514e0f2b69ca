// The draw as Excel's calculation threads see it.
//
// Excel may call the functions that settle bets on every core at once, while
// 验证, on Excel's main thread, loads the next draw. Each published draw is
// therefore immutable: 验证 copies the current one (the failure rules keep a
// former value wherever a step of the new draw cannot be carried out), loads
// the new draw into the copy, and publishes the copy in one atomic step. A
// call takes the draw once, at its start, and reads that one to its end, so it
// never sees half of one draw and half of the next; a draw lives as long as a
// call still reads it.
//
// A published draw holds plain values only: a reference given to 验证 is
// held as the values of its cells (values.h), never as a link into Excel,
// and arrays and texts are never changed once made, so copies of them may be
// read from any thread.
//
// This is the add-in's only state. It lives as long as the XLL is loaded.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>

#include "core/custom_functions.h"

namespace korvane::xll {

class Draws {
 public:
  Draws();

  // The current draw, for one call to read from start to finish. Readers
  // must not change it.
  std::shared_ptr<Draw> current() const noexcept { return current_.load(); }

  // Runs edit on a copy of the current draw and publishes the copy. Writers
  // take turns; readers are never held up. Throws what edit throws (nothing
  // is published then) and std::bad_alloc.
  template <class Edit>
  void update(Edit&& edit) {
    std::lock_guard lock(writer_);
    auto next = std::make_shared<Draw>(*current_.load());
    edit(*next);
    current_.store(std::move(next));
  }

  // Back to no draw at all, as a freshly loaded add-in.
  void reset();

 private:
  std::atomic<std::shared_ptr<Draw>> current_;
  std::mutex writer_;
};

// The add-in's draws.
Draws& draws();

}  // namespace korvane::xll
