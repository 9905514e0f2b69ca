// The document job that lets workbooks travel between Excel and Calc: the
// factory entry of its service, registered beside the add-in's in
// component.cpp. See workbook_names.cpp.
#pragma once

#include <com/sun/star/uno/XComponentContext.hpp>
#include <rtl/ustring.hxx>
#include <string_view>

namespace korvane::calc {

// The job Calc's configuration (Jobs.xcu) runs on the document events.
inline constexpr std::string_view kNamesService = "korvane.calc.WorkbookNames";
inline constexpr std::string_view kNamesImplementation = "korvane.calc.WorkbookNamesImpl";

com::sun::star::uno::Reference<com::sun::star::uno::XInterface> SAL_CALL create_workbook_names(
    const com::sun::star::uno::Reference<com::sun::star::uno::XComponentContext>&);
rtl::OUString SAL_CALL workbook_names_implementation();
com::sun::star::uno::Sequence<rtl::OUString> SAL_CALL workbook_names_services();

}  // namespace korvane::calc
