// Automation VARIANTs and the core's Variant, both ways.
//
// Excel hands a worksheet function VARIANTs: by value or by reference, numbers
// as VT_R8 (VBA also sends VT_I2 and VT_I4), texts as BSTRs, booleans, Excel's
// error values as VT_ERROR 0x800A0000 + code, a cell reference as an IDispatch
// (its Range object), and an array constant or a block's value as a 2-D
// SAFEARRAY of VARIANTs. The core's Range reads such an IDispatch lazily, only
// where a step reads the value, through its default member (DISPID_VALUE),
// exactly as Visual Basic evaluates a Range in a value context.
//
// The other way, a reference the core holds (one the caller stored with a
// property set, or a cell of the command-line tool) goes back out as an
// IDispatch: the caller's own object, or one of ours whose default value is
// the cell's value.
#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <span>

#include "core/call_arguments.h"
#include "core/variant.h"

namespace korvane::com {

class DispatchRange;

// Hands out the references a call's IDispatch arguments become, reusing
// those the previous call let go of: a worksheet function called thousands
// of times in a recalculation then allocates nothing for its Range
// arguments. A reference is moved out to the call's argument and moved back
// when the call ends, so it costs no reference counting either. The add-in
// object keeps one; apartment threading means one call at a time.
class RangePool {
 public:
  RangePool();
  ~RangePool();
  RangePool(const RangePool&) = delete;
  RangePool& operator=(const RangePool&) = delete;

  // A reference read through d, valid for the current call. Its value is read
  // where a step first reads it, and that reading serves the rest of the
  // call: the caller's object is asked once however many steps read it.
  RangeRef over(IDispatch* d);
  // Ends a call (and must end every call that used over), while its
  // arguments are still there: the references lent to them come back; those
  // that nothing else holds let go of their objects, and those still held,
  // by the draw state say, take a reference of their own.
  void end_call(std::span<Variant> args);

 private:
  static constexpr std::size_t kSlots = 12;
  std::array<RangeRef, kSlots> slots_;              // [0, made_) made
  std::array<DispatchRange*, kSlots> ranges_ = {};  // what each slot was made with
  std::array<bool, kSlots> lent_ = {};              // moved out to the call under way
  std::size_t made_ = 0;
};

// The value of in (by reference or not) as a core Variant. Fails with
// DISP_E_TYPEMISMATCH for a kind no worksheet holds (objects other than
// IDispatch, records, arrays of more than two dimensions, nested arrays...).
// An IDispatch becomes a reference read through it, from pool if given.
HRESULT from_variant(const VARIANT& in, Variant& out, RangePool* pool = nullptr);

// As from_variant, for an argument of the call under way: a text refers to
// the caller's BSTR instead of being copied, since the caller keeps its
// arguments alive until the call returns (COM's rule for [in] arguments).
// The cells of an array are copied all the same: an array is a shared handle
// that the core may keep.
HRESULT from_argument(const VARIANT& in, Variant& out);

// As from_argument, making the next of a function call's arguments in place
// (Empty when it fails), an IDispatch becoming a reference from pool.
HRESULT add_argument(CallArguments& args, const VARIANT& in, RangePool& pool);

// Writes v into out, which must be empty (VariantInit'ed); out owns what it
// holds afterwards. Fails only when memory runs out.
HRESULT to_variant(const Variant& v, VARIANT& out);

// A reference read through an IDispatch's default value.
RangeRef range_over(IDispatch* d);

// The IDispatch standing for a reference: the object it was read from, or a
// new object of ours whose default value is the reference's value. Returned
// with a reference the caller owns.
HRESULT dispatch_for(const RangeRef& r, IDispatch** out);

// The objects of ours alive in this module (cells handed out as IDispatch),
// for DllCanUnloadNow.
long live_cell_objects() noexcept;

// Whether a VARIANT of this type holds nothing to release (a number, a
// boolean, an error value): clearing it is then only forgetting it.
constexpr bool holds_nothing_to_release(VARTYPE vt) noexcept {
  return vt <= VT_DATE || vt == VT_ERROR || vt == VT_BOOL || vt == VT_DECIMAL ||
         (vt >= VT_I1 && vt <= VT_UINT);
}

// A VARIANT that clears itself.
struct OwnedVariant {
  VARIANT v;
  OwnedVariant() { VariantInit(&v); }
  ~OwnedVariant() {
    if (!holds_nothing_to_release(v.vt)) VariantClear(&v);
  }
  OwnedVariant(const OwnedVariant&) = delete;
  OwnedVariant& operator=(const OwnedVariant&) = delete;
};

}  // namespace korvane::com
