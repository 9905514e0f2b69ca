// Standard input as a stream that hands out what has arrived.
//
// std::cin, tied to C's stdio, waits until its buffer is full before it hands
// out a byte of a pipe; a book piped in a few rows at a time would not be
// settled until a buffer's worth had come. This stream reads the descriptor
// itself: a read returns as soon as anything is there, and the stream says
// how much is there without waiting (in_avail).
#pragma once

#include <streambuf>

namespace korvane::cli {

class StdinBuf : public std::streambuf {
 protected:
  int_type underflow() override;
  std::streamsize showmanyc() override;

 private:
  static constexpr std::size_t kSize = std::size_t{64} << 10;
  char buf_[kSize];
};

}  // namespace korvane::cli
