// Conditional formats with their rules, colour scales, data bars and icon sets; data validations.
#include <gtest/gtest.h>

#include "ooxml/spreadsheetml/tests/sml_testing.h"

namespace ooxml::sml {
namespace {

TEST(SmlConditionalFormatting, RulesReadAndWriteBack) {
  ExpectRoundTrips<TCT_ConditionalFormatting>(
      u"conditionalFormatting",
      {{"four formulas written back in order",
        "<conditionalFormatting sqref=\"A1:A9\"><cfRule type=\"expression\" priority=\"1\"><formula>A1&gt;1</formula>"
        "<formula>B1</formula><formula>C1</formula><formula>\"x\"</formula></cfRule></conditionalFormatting>",
        "<conditionalFormatting sqref=\"A1:A9\" ><cfRule type=\"expression\" priority=\"1\" ><formula>A1&gt;1</formula>"
        "<formula>B1</formula><formula>C1</formula><formula>&quot;x&quot;</formula></cfRule></conditionalFormatting>"},
       {"rule formulas are Unicode", "<conditionalFormatting sqref=\"B2\"><cfRule type=\"containsText\" priority=\"2\" "
        "operator=\"containsText\" text=\"湿\"><formula>NOT(ISERROR(SEARCH(\"湿Ω\",B2)))</formula></cfRule>"
        "</conditionalFormatting>",
        "<conditionalFormatting sqref=\"B2\" ><cfRule type=\"containsText\" priority=\"2\" operator=\"containsText\" "
        "text=\"湿\" ><formula>NOT(ISERROR(SEARCH(&quot;湿Ω&quot;,B2)))</formula></cfRule></conditionalFormatting>"},
       {"dxfId 0 is written; an invalid negative one is kept as read",
        "<conditionalFormatting sqref=\"A1\"><cfRule type=\"cellIs\" dxfId=\"0\" priority=\"1\" operator=\"greaterThan\"/>"
        "<cfRule type=\"cellIs\" dxfId=\"-3\" priority=\"2\" operator=\"lessThan\"/></conditionalFormatting>",
        "<conditionalFormatting sqref=\"A1\" ><cfRule type=\"cellIs\" dxfId=\"0\" priority=\"1\" operator=\"greaterThan\" />"
        "<cfRule type=\"cellIs\" dxfId=\"-3\" priority=\"2\" operator=\"lessThan\" /></conditionalFormatting>"},
       {"a rule with nothing set still carries its required priority; with a type, priority 0 too",
        "<conditionalFormatting sqref=\"A1\"><cfRule priority=\"0\"/><cfRule type=\"cellIs\" priority=\"0\"/>"
        "</conditionalFormatting>",
        "<conditionalFormatting sqref=\"A1\" ><cfRule priority=\"0\" /><cfRule type=\"cellIs\" priority=\"0\" />"
        "</conditionalFormatting>"},
       {"a data bar writes its colour after the value objects, even when the colour was never set",
        "<conditionalFormatting sqref=\"C1:C9\"><cfRule type=\"dataBar\" priority=\"3\"><dataBar>"
        "<cfvo type=\"min\"/><cfvo type=\"max\"/></dataBar></cfRule></conditionalFormatting>",
        "<conditionalFormatting sqref=\"C1:C9\" ><cfRule type=\"dataBar\" priority=\"3\" ><dataBar>"
        "<cfvo type=\"min\" /><cfvo type=\"max\" /><color/></dataBar></cfRule></conditionalFormatting>"},
       {"a data bar's colour without value objects is kept",
        "<conditionalFormatting sqref=\"C1\"><cfRule type=\"dataBar\" priority=\"1\"><dataBar minLength=\"0\">"
        "<color rgb=\"FF638EC6\"/></dataBar></cfRule></conditionalFormatting>",
        "<conditionalFormatting sqref=\"C1\" ><cfRule type=\"dataBar\" priority=\"1\" ><dataBar minLength=\"0\" >"
        "<color rgb=\"FF638EC6\" /></dataBar></cfRule></conditionalFormatting>"},
       {"a colour scale: value objects, then colours",
        "<conditionalFormatting sqref=\"C2:C20\"><cfRule type=\"colorScale\" priority=\"2\"><colorScale>"
        "<cfvo type=\"min\"/><cfvo type=\"percentile\" val=\"50\"/><color rgb=\"FF63BE7B\"/><color theme=\"4\"/>"
        "</colorScale></cfRule></conditionalFormatting>",
        "<conditionalFormatting sqref=\"C2:C20\" ><cfRule type=\"colorScale\" priority=\"2\" ><colorScale>"
        "<cfvo type=\"min\" /><cfvo type=\"percentile\" val=\"50\" /><color rgb=\"FF63BE7B\" /><color theme=\"4\" />"
        "</colorScale></cfRule></conditionalFormatting>"},
       {"an icon set 3TrafficLights1 does not write the set",
        "<conditionalFormatting sqref=\"D1\"><cfRule type=\"iconSet\" priority=\"4\"><iconSet iconSet=\"3TrafficLights1\" "
        "reverse=\"1\"><cfvo type=\"percent\" val=\"0\"/><cfvo type=\"percent\" val=\"33\" gte=\"0\"/></iconSet></cfRule>"
        "</conditionalFormatting>",
        "<conditionalFormatting sqref=\"D1\" ><cfRule type=\"iconSet\" priority=\"4\" ><iconSet reverse=\"1\" >"
        "<cfvo type=\"percent\" val=\"0\" /><cfvo type=\"percent\" val=\"33\" gte=\"0\" /></iconSet></cfRule>"
        "</conditionalFormatting>"},
       {"an empty range list writes no sqref",
        "<conditionalFormatting pivot=\"1\"><cfRule type=\"top10\" priority=\"1\" rank=\"10\"/></conditionalFormatting>",
        "<conditionalFormatting pivot=\"1\" ><cfRule type=\"top10\" priority=\"1\" rank=\"10\" /></conditionalFormatting>"}});
}

TEST(SmlDataValidations, ItemsReadAndWriteBack) {
  ExpectRoundTrips<TCT_DataValidations>(
      u"dataValidations",
      {{"a list with an empty range list writes an empty sqref",
        "<dataValidations count=\"1\"><dataValidation type=\"list\"><formula1>\"dry,wet\"</formula1></dataValidation>"
        "</dataValidations>",
        "<dataValidations count=\"1\" ><dataValidation type=\"list\" sqref=\"\" ><formula1>&quot;dry,wet&quot;</formula1>"
        "</dataValidation></dataValidations>"},
       {"an empty formula1 is not written back",
        "<dataValidations><dataValidation type=\"whole\" sqref=\"A1 B2\"><formula1></formula1><formula2>9</formula2>"
        "</dataValidation></dataValidations>",
        "<dataValidations><dataValidation type=\"whole\" sqref=\"A1 B2\" ><formula2>9</formula2></dataValidation>"
        "</dataValidations>"},
       {"defaults dropped, texts in Unicode, count kept as read",
        "<dataValidations count=\"5\"><dataValidation type=\"decimal\" operator=\"between\" errorStyle=\"warning\" "
        "allowBlank=\"true\" showErrorMessage=\"1\" errorTitle=\"湿度\" error=\"0–100\" sqref=\"C2:C20\">"
        "<formula1>0</formula1><formula2>100</formula2></dataValidation></dataValidations>",
        "<dataValidations count=\"5\" ><dataValidation type=\"decimal\" errorStyle=\"warning\" allowBlank=\"1\" "
        "showErrorMessage=\"1\" errorTitle=\"湿度\" error=\"0–100\" sqref=\"C2:C20\" ><formula1>0</formula1>"
        "<formula2>100</formula2></dataValidation></dataValidations>"},
       {"an unknown child of a validation is reported",
        "<dataValidations><dataValidation sqref=\"A1\"><list/></dataValidation></dataValidations>",
        "<dataValidations><dataValidation sqref=\"A1\" /></dataValidations>", "Row 0: Unknown Element \"list\""}});
}

}  // namespace
}  // namespace ooxml::sml
