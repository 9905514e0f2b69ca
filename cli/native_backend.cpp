// The protocol spoken against one add-in object in this process: what one
// running Excel holds.
#include <memory>

#include "cli/protocol.h"
#include "cli/quoting.h"
#include "core/custom_functions.h"
#include "core/text.h"

namespace korvane::protocol {
namespace {

class NativeBackend final : public Backend {
 public:
  Outcome call(std::u16string_view name, std::span<const Variant> args) override {
    const Function* m = find_function(name);
    if (!m) {
      if (const Property* p = find_property(name))
        return Outcome::fault(to_utf8(p->name) + " is a property: use get, let or set");
      return unknown(name);
    }
    if (args.size() != m->params.size())
      return Outcome::fault(to_utf8(m->name) + " takes " + std::to_string(m->params.size()) +
                            " arguments, not " + std::to_string(args.size()));
    CallResult r = korvane::call(obj_, *m, args);
    if (r.failed) return Outcome::fail();
    return Outcome::result(std::move(r.value));
  }

  Outcome get(std::u16string_view name) override {
    const Property* m = find_property(name);
    if (!m) return not_property(name);
    return Outcome::result(m->get(obj_));
  }

  Outcome let(std::u16string_view name, const Variant& value) override {
    const Property* m = find_property(name);
    if (!m) return not_property(name);
    if (!m->let(obj_, value)) return Outcome::fail();
    return Outcome::result(Variant());
  }

  Outcome set(std::u16string_view name, const Variant& value) override {
    const Property* m = find_property(name);
    if (!m) return not_property(name);
    if (!m->set) return Outcome::fault(to_utf8(m->name) + " holds text and has no set");
    m->set(obj_, value);
    return Outcome::result(Variant());
  }

 private:
  static Outcome unknown(std::u16string_view name) {
    return Outcome::fault("no function or property is named " + cli::quoted_text(to_utf8(name)));
  }
  static Outcome not_property(std::u16string_view name) {
    if (const Function* m = find_function(name))
      return Outcome::fault(to_utf8(m->name) + " is a function: use call");
    return unknown(name);
  }

  Draw obj_;
};

}  // namespace

std::unique_ptr<Backend> make_native_backend() { return std::make_unique<NativeBackend>(); }

}  // namespace korvane::protocol
