#include "xll/draw.h"

namespace korvane::xll {

Draws::Draws() : current_(std::make_shared<Draw>()) {}

void Draws::reset() {
  std::lock_guard lock(writer_);
  current_.store(std::make_shared<Draw>());
}

Draws& draws() {
  static Draws the_draws;
  return the_draws;
}

}  // namespace korvane::xll
