// The eval session: each request line answered against a backend, and the
// line server that reads requests and writes answers (see protocol.h).
#include "cli/protocol.h"

#include <cerrno>
#include <istream>
#include <ostream>

#include "core/text.h"

namespace korvane::protocol {
namespace {

std::string fault_line(std::string_view message) {
  return R"({"fault":)" + encode_text(to_utf16(message)) + "}";
}

std::string outcome_line(const Outcome& o) {
  switch (o.kind) {
    case Outcome::Kind::Result:
      return R"({"result":)" + encode(o.value) + "}";
    case Outcome::Kind::Fail:
      return R"({"fail":"#VALUE!"})";
    case Outcome::Kind::Fault:
      break;
  }
  return fault_line(o.message);
}

bool is_blank(std::string_view s) {
  for (char c : s)
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
  return true;
}

}  // namespace

std::string answer(Backend& backend, std::string_view line) {
  if (is_blank(line)) return {};
  // 1. The line read as a request (request.h), or the fault that says why not.
  Request req;
  if (std::string error; !read_request(line, req, error)) return fault_line(error);
  // 2. The backend's answer to the verb it names.
  if (req.verb == "call") return outcome_line(backend.call(req.name, req.args));
  if (req.verb == "get") return outcome_line(backend.get(req.name));
  if (req.verb == "set") return outcome_line(backend.set(req.name, req.value));
  return outcome_line(backend.let(req.name, req.value));
}

Served serve(Backend& backend, std::istream& in, std::ostream& out) {
  std::streambuf* buf = in.rdbuf();
  std::string line;
  bool too_long = false;
  bool any = false;
  // Answers one line; false when the answer could not be written.
  auto finish = [&] {
    if (too_long) {
      out << fault_line("the request line is longer than " + std::to_string(kMaxLine >> 20) +
                        " MiB")
          << '\n'
          << std::flush;
    } else {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const std::string a = answer(backend, line);
      if (!a.empty()) out << a << '\n' << std::flush;
    }
    line.clear();
    too_long = false;
    any = false;
    return static_cast<bool>(out);
  };
  auto failed = [](Served::End end) { return Served{end, errno}; };
  for (;;) {
    int c = 0;
    try {
      errno = 0;
      c = buf->sbumpc();
    } catch (const std::ios_base::failure&) {
      // The standard library throws when read(2) fails (a directory, a closed
      // descriptor); errno still says why.
      return failed(Served::End::InputFailed);
    }
    if (c == std::char_traits<char>::eof()) break;
    any = true;
    if (c == '\n') {
      errno = 0;
      if (!finish()) return failed(Served::End::OutputFailed);
      continue;
    }
    if (too_long) continue;
    if (line.size() >= kMaxLine) {
      too_long = true;
      line.clear();
      line.shrink_to_fit();
      continue;
    }
    line += static_cast<char>(c);
  }
  errno = 0;
  if (any && !finish()) return failed(Served::End::OutputFailed);
  return {};
}

}  // namespace korvane::protocol
