// `korvane eval --com` (Windows): the protocol spoken against the registered
// COM class, created by ProgID and called late-bound by name, as Excel calls it.
#pragma once

#include <memory>
#include <string>

#include "cli/protocol.h"

namespace korvane::protocol {

// The backend over a new instance of Korvane.自定义函数; null with a sentence
// in error when the class cannot be created (not registered, say).
std::unique_ptr<Backend> make_com_backend(std::string& error);

}  // namespace korvane::protocol
