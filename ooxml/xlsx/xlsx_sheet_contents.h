// The element readers of a worksheet part that other sheet-related parts share: a table has an
// autofilter and a sort state, a chartsheet has margins, a header and footer and web-publish items.
#pragma once

#include <string>

#include "ooxml/spreadsheetml/gen/spreadsheetml.h"
#include "workbook/comments_data.h"
#include "workbook/worksheet_data.h"

namespace ooxml::xlsx_sheet_contents {

// A 0-based area from A1 text; a cleared area when the text is no area.
workbook::TXLSCellArea Area(const std::u16string& Text);
void ReadSortState(const sml::TCT_SortState& E, workbook::TXc12SortState& S);
void ReadAutoFilter(const sml::TCT_AutoFilter& E, workbook::TXc12AutoFilter& F,
                    const workbook::TXc12DataStyleSheet& Styles);
void ReadPageMargins(const sml::TCT_PageMargins& E, workbook::TXc12PageMargins& P);
void ReadHeaderFooter(const sml::TCT_HeaderFooter& E, workbook::TXc12HeaderFooter& H);
void ReadWebPublishItems(const sml::TCT_WebPublishItems& E, workbook::TXc12WebPublishItems& List);

}  // namespace ooxml::xlsx_sheet_contents
