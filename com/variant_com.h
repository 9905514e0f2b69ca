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

#include "core/variant.h"

namespace korvane::com {

class DispatchRange;

// Hands out the references a call's IDispatch arguments become, reusing
// those the previous call let go of: a worksheet function called thousands
// of times in a recalculation then allocates nothing for its Range
// arguments. The add-in object keeps one; apartment threading means one call
// at a time.
class RangePool {
 public:
  RangePool();
  ~RangePool();
  RangePool(const RangePool&) = delete;
  RangePool& operator=(const RangePool&) = delete;

  // A reference read through d, valid for the current call.
  RangeRef over(IDispatch* d);
  // Ends a call (and must end every call that used over): the references the
  // call's arguments left behind let go of their objects, and those still
  // held, by the draw state say, take a reference of their own.
  void release_unused();

 private:
  std::array<std::shared_ptr<DispatchRange>, 12> slots_;
};

// The value of in (by reference or not) as a core Variant. Fails with
// DISP_E_TYPEMISMATCH for a kind no worksheet holds (objects other than
// IDispatch, records, arrays of more than two dimensions, nested arrays...).
// An IDispatch becomes a reference read through it, from pool if given.
HRESULT from_variant(const VARIANT& in, Variant& out, RangePool* pool = nullptr);

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

// A VARIANT that clears itself.
struct OwnedVariant {
  VARIANT v;
  OwnedVariant() { VariantInit(&v); }
  ~OwnedVariant() { VariantClear(&v); }
  OwnedVariant(const OwnedVariant&) = delete;
  OwnedVariant& operator=(const OwnedVariant&) = delete;
};

}  // namespace korvane::com
