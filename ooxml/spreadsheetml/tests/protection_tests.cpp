// Sheet protection and protected ranges, scenarios, data consolidation, custom properties, watched
// cells and ignored errors.
#include <gtest/gtest.h>

#include "ooxml/spreadsheetml/tests/sml_testing.h"

namespace ooxml::sml {
namespace {

TEST(SmlSheetProtection, HashesAndFlags) {
  ExpectRoundTrips<TCT_SheetProtection>(
      u"sheetProtection",
      {{"a hash padded to four digits, upper case", "<sheetProtection password=\"a1\" sheet=\"1\"/>",
        "<sheetProtection password=\"00A1\" sheet=\"1\" />"},
       {"four significant digits stay four", "<sheetProtection password=\"cc1a\"/>",
        "<sheetProtection password=\"CC1A\" />"},
       {"flags at their defaults and no password: not written",
        "<sheetProtection formatCells=\"1\" sort=\"true\" objects=\"0\"/>", "<sheetProtection/>"},
       {"sheet alone", "<sheetProtection sheet=\"1\"/>", "<sheetProtection sheet=\"1\" />"},
       {"a password that is not hexadecimal reads as none", "<sheetProtection password=\"xyz\" sheet=\"1\"/>",
        "<sheetProtection sheet=\"1\" />"},
       {"hash attributes of later editions are reported and kept",
        "<sheetProtection algorithmName=\"SHA-512\" sheet=\"1\"/>",
        "<sheetProtection sheet=\"1\" algorithmName=\"SHA-512\" />", "Row 0: Unknown Attribute \"algorithmName\""}});
  ExpectRoundTrips<TCT_ProtectedRanges>(
      u"protectedRanges",
      {{"a range hash padded to six digits",
        "<protectedRanges><protectedRange password=\"cc1a\" sqref=\"A1:B2\" name=\"r\"/></protectedRanges>",
        "<protectedRanges><protectedRange password=\"00CC1A\" sqref=\"A1:B2\" name=\"r\" /></protectedRanges>"},
       {"a range with only a password carries its required range and name",
        "<protectedRanges><protectedRange password=\"1\"/></protectedRanges>",
        "<protectedRanges><protectedRange password=\"000001\" sqref=\"\" name=\"\" /></protectedRanges>"}});
}

TEST(SmlScenarios, StoredCountsAndInputCells) {
  ExpectRoundTrips<TCT_Scenarios>(
      u"scenarios",
      {{"count is kept as read",
        "<scenarios current=\"1\" sqref=\"B2 B3\"><scenario name=\"Hot\" count=\"3\" user=\"Wang 汪\">"
        "<inputCells r=\"B2\" val=\"35\"/></scenario></scenarios>",
        "<scenarios current=\"1\" sqref=\"B2 B3\" ><scenario name=\"Hot\" count=\"3\" user=\"Wang 汪\" >"
        "<inputCells r=\"B2\" val=\"35\" /></scenario></scenarios>"},
       {"required texts of items written even when empty",
        "<scenarios><scenario locked=\"1\"><inputCells deleted=\"1\"/></scenario></scenarios>",
        "<scenarios><scenario name=\"\" locked=\"1\" ><inputCells r=\"\" deleted=\"1\" val=\"\" /></scenario></scenarios>"}});
}

TEST(SmlDataConsolidate, FunctionAndReferences) {
  ExpectRoundTrips<TCT_DataConsolidate>(
      u"dataConsolidate",
      {{"sum is not written", "<dataConsolidate function=\"sum\" topLabels=\"1\"/>",
        "<dataConsolidate topLabels=\"1\" />"},
       {"average is written, with the references",
        "<dataConsolidate function=\"average\"><dataRefs count=\"2\"><dataRef ref=\"A1:B4\" sheet=\"Log\"/>"
        "<dataRef name=\"Range\" r:id=\"rId2\"/></dataRefs></dataConsolidate>",
        "<dataConsolidate function=\"average\" ><dataRefs count=\"2\" ><dataRef ref=\"A1:B4\" sheet=\"Log\" />"
        "<dataRef name=\"Range\" r:id=\"rId2\" /></dataRefs></dataConsolidate>"}});
}

TEST(SmlSheetExtras, PropertiesWatchesAndIgnoredErrors) {
  ExpectRoundTrips<TCT_CustomProperties>(
      u"customProperties",
      {{"a name without a relationship id writes both",
        "<customProperties><customPr name=\"Owner\"/></customProperties>",
        "<customProperties><customPr name=\"Owner\" r:id=\"\" /></customProperties>"}});
  ExpectRoundTrips<TCT_CellWatches>(
      u"cellWatches", {{"cells in order", "<cellWatches><cellWatch r=\"B2\"/><cellWatch r=\"C3\"/></cellWatches>",
                        "<cellWatches><cellWatch r=\"B2\" /><cellWatch r=\"C3\" /></cellWatches>"}});
  ExpectRoundTrips<TCT_IgnoredErrors>(
      u"ignoredErrors",
      {{"only a range: no flags", "<ignoredErrors><ignoredError sqref=\"A1:A9\"/></ignoredErrors>",
        "<ignoredErrors><ignoredError sqref=\"A1:A9\" /></ignoredErrors>"},
       {"a flag read as true is written as 1",
        "<ignoredErrors><ignoredError sqref=\"B1\" evalError=\"true\" numberStoredAsText=\"1\"/></ignoredErrors>",
        "<ignoredErrors><ignoredError sqref=\"B1\" evalError=\"1\" numberStoredAsText=\"1\" /></ignoredErrors>"}});
}

}  // namespace
}  // namespace ooxml::sml
