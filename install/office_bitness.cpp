// The bitness of the installed Office (office_bitness.h).
#include "install/office_bitness.h"

#include <array>

namespace korvane::install {
namespace {

constexpr std::array<std::u16string_view, 4> kVersions = {u"16.0", u"15.0", u"14.0", u"12.0"};

std::optional<Bits> bits_of(const std::optional<std::u16string>& value) {
  if (!value) return std::nullopt;
  std::u16string v;
  for (const char16_t c : *value) {
    if (c != u' ') v += (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
  }
  if (v == u"x86") return Bits::X86;
  if (v == u"x64" || v == u"amd64") return Bits::X64;
  return std::nullopt;
}

// A value saying x86 or x64 in either view, the 64-bit view first.
std::optional<Bits> said(const ReadOfficeValue& read, const std::u16string& key,
                         std::u16string_view name) {
  for (const bool view64 : {true, false}) {
    if (const auto b = bits_of(read(key, view64, name))) return b;
  }
  return std::nullopt;
}

}  // namespace

Bits office_bitness(const ReadOfficeValue& read, bool windows_64_bit) {
  if (!windows_64_bit) return Bits::X86;
  // 1. Click-to-Run, Office 2016 and later, then Office 2013's.
  if (const auto b = said(read, u"ClickToRun\\Configuration", u"Platform")) return *b;
  if (const auto b = said(read, u"15.0\\ClickToRun\\Configuration", u"Platform")) return *b;
  // 2. An MSI install's Bitness, newest version first.
  for (const std::u16string_view v : kVersions) {
    if (const auto b = said(read, std::u16string(v) + u"\\Outlook", u"Bitness")) return *b;
  }
  // 3. Excel's InstallRoot, present in the view of Excel's own bitness.
  for (const std::u16string_view v : kVersions) {
    const std::u16string key = std::u16string(v) + u"\\Excel\\InstallRoot";
    if (read(key, true, u"Path")) return Bits::X64;
    if (read(key, false, u"Path")) return Bits::X86;
  }
  return Bits::X64;
}

}  // namespace korvane::install
