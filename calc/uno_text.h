// The UNO names and the text conversions every file of the Calc add-in uses.
//
// The core keeps its texts in UTF-16 and so does LibreOffice: an OUString's
// sal_Unicode is a 16-bit unsigned integer outside LibreOffice's own build,
// the same units as char16_t, so a text crosses in either direction as it is,
// with no decoding. UNO identifiers (service, interface and method names) are
// ASCII.
#pragma once

#include <com/sun/star/uno/Any.hxx>
#include <com/sun/star/uno/Reference.hxx>
#include <com/sun/star/uno/RuntimeException.hpp>
#include <com/sun/star/uno/Sequence.hxx>
#include <cstddef>
#include <limits>
#include <rtl/ustring.hxx>
#include <string_view>

namespace korvane::calc {

namespace css = com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using rtl::OUString;

inline OUString ascii(std::string_view s) {
  return OUString(s.data(), static_cast<sal_Int32>(s.size()), RTL_TEXTENCODING_ASCII_US);
}

// A UTF-16 text as an OUString, whose length is a 32-bit signed count: a
// longer text raises the exception Calc shows as #VALUE!, never a cut one.
inline OUString utf16(std::u16string_view s) {
  if (s.size() > static_cast<std::size_t>(std::numeric_limits<sal_Int32>::max()))
    throw css::uno::RuntimeException("text too long for a cell");
  return OUString(reinterpret_cast<const sal_Unicode*>(s.data()), static_cast<sal_Int32>(s.size()));
}

inline std::u16string_view view(const OUString& s) {
  return {reinterpret_cast<const char16_t*>(s.getStr()), static_cast<std::size_t>(s.getLength())};
}

}  // namespace korvane::calc
