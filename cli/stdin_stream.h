// Standard input as a stream that hands out what has arrived.
//
// std::cin, tied to C's stdio, waits until its buffer is full before it hands
// out a byte of a pipe; a book piped in a few rows at a time would not be
// settled until a buffer's worth had come. This stream reads the descriptor
// itself: a read returns as soon as anything is there, and the stream says
// how much is there without waiting (in_avail), or whether anything comes
// within a time (arrives_within).
#pragma once

#include <streambuf>

#include "cli/book_input.h"

namespace korvane::cli {

class StdinBuf : public book::PausingBuf {
 public:
  bool arrives_within(int ms) override;

 protected:
  int_type underflow() override;
  std::streamsize showmanyc() override;

 private:
  static constexpr std::size_t kSize = std::size_t{64} << 10;
  char buf_[kSize];
};

}  // namespace korvane::cli
