// Links, outlines, form fields and name trees read back by qpdf, poppler and ghostscript.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "core/codepage.h"
#include "core/testing/require_tool.h"
#include "pdf/action.h"
#include "pdf/annotation.h"
#include "pdf/document.h"
#include "pdf/form.h"
#include "pdf/outline.h"
#include "pdf/page.h"
#include "pdf/tests/test_util.h"

namespace pdf {
namespace {

using test::Quote;
using test::RunTool;

// Writes the interactive parts, with or without protection.
void WriteInteractive(const std::string& file, const std::string& attachment, bool protect) {
  TPDFDocument doc;
  doc.SetFileName(file);
  if (protect) {
    doc.SetProtectionEnabled(true);
    doc.SetUserPassword("user");
    doc.SetOwnerPassword("owner");
    doc.SetProtectionOptions(coPrint);
  }
  doc.BeginDoc();
  TPDFPage& first = *doc.CurrentPage;
  AddURLLink(first, 72, 72, 300, 90, "http://example.com/report");
  // Text that names an address gets its link by itself.
  first.SetActiveFont("Arial", 0, 12, 0);
  first.DrawText(72, 400, 0, "see http://example.com/auto for more");
  AddEditBox(first, 72, 120, 300, 140, "operator", "Zhang (2)");
  AddCheckBox(first, 72, 160, 86, 174, "approved", true);
  AddRadioButton(first, 72, 200, 86, 214, "unit", "celsius", true);
  AddRadioButton(first, 100, 200, 114, 214, "unit", "fahrenheit", false);
  doc.NewPage();
  AddURLLink(*doc.CurrentPage, 72, 72, 200, 90, "ftp://example.org/data");
  TPDFInteractive& in = doc.Interactive();
  TPDFAction* site = doc.AddAction(std::make_unique<TPDFURLAction>());
  static_cast<TPDFURLAction*>(site)->SetURL("http://example.com/");
  TPDFOutlineItem* top = in.Outlines().Add(nullptr, "Report", site);
  in.Outlines().Add(top, "Records", nullptr);
  // A title in code-page bytes of its character set, written as UTF-16.
  in.Outlines().Add(top, core::utf8_to_codepage(936, "历史记录"), nullptr, 134);
  in.Outlines().Add(nullptr, "Appendix", nullptr);
  in.AddNamedDest("records", 1, 100);
  in.AddNamedDest("head", 0, 0);
  in.AddJSFunction("twice", "x", "return 2 * x;");
  in.AddEmbeddedFile("data.bin", attachment);
  doc.EndDoc();
}

TEST(InteractiveInteropTest, ToolsSeeLinksOutlinesFieldsAndNames) {
  REQUIRE_TOOL("qpdf");
  REQUIRE_TOOL("pdfinfo");
  test::TempDir dir;
  const std::string attachment = dir.file("data.bin");
  {
    std::ofstream f(attachment, std::ios::binary);
    for (int i = 0; i < 5000; ++i) f.put(static_cast<char>((i * 7) & 0xFF));
  }
  for (bool protect : {false, true}) {
    const std::string file = dir.file(protect ? "locked.pdf" : "open.pdf");
    WriteInteractive(file, attachment, protect);
    const std::string pw = protect ? " --password=user" : "";
    const std::string upw = protect ? " -upw user" : "";
    const auto check = RunTool("qpdf --check" + pw + " " + Quote(file));
    EXPECT_EQ(check.status, 0) << check.output;
    EXPECT_EQ(check.output.find("WARNING"), std::string::npos) << check.output;

    const auto json =
        RunTool("qpdf --json" + pw + " --json-key=outlines --json-key=acroform --json-key=pages " + Quote(file), false);
    ASSERT_EQ(json.status, 0) << json.output;
    for (const char* want :
         {"\"title\": \"Report\"", "\"title\": \"Records\"", "\"title\": \"Appendix\"", "\"title\": \"历史记录\"",
          "\"fullname\": \"operator\"", "\"value\": \"u:Zhang (2)\"", "\"fullname\": \"approved\"",
          "\"fullname\": \"unit\"", "\"value\": \"/celsius\"", "\"fieldtype\": \"/Tx\""})
      EXPECT_NE(json.output.find(want), std::string::npos) << want << "\n" << json.output;

    const auto urls = RunTool("pdfinfo -url" + upw + " " + Quote(file), false);
    EXPECT_NE(urls.output.find("http://example.com/report"), std::string::npos) << urls.output;
    EXPECT_NE(urls.output.find("ftp://example.org/data"), std::string::npos) << urls.output;
    EXPECT_NE(urls.output.find("http://example.com/auto"), std::string::npos) << urls.output;
    const auto dests = RunTool("pdfinfo -dests" + upw + " " + Quote(file), false);
    EXPECT_NE(dests.output.find("\"records\""), std::string::npos) << dests.output;
    const auto js = RunTool("pdfinfo -js" + upw + " " + Quote(file), false);
    EXPECT_NE(js.output.find("function twice(x){return 2 * x;}"), std::string::npos) << js.output;

    if (test::HaveTool("pdfdetach")) {
      const std::string saved = dir.file(protect ? "locked.bin" : "open.bin");
      const auto detach = RunTool("pdfdetach" + upw + " -save 1 -o " + Quote(saved) + " " + Quote(file));
      EXPECT_EQ(detach.status, 0) << detach.output;
      EXPECT_EQ(test::ReadFile(saved), test::ReadFile(attachment));
    }
    if (test::HaveTool("gs")) {
      const auto gs = RunTool(
          "gs -q -dNOPAUSE -dBATCH -dPDFSTOPONERROR -dPDFSTOPONWARNING -sPDFPassword=user "
          "-sDEVICE=nullpage " +
          Quote(file));
      EXPECT_EQ(gs.status, 0) << gs.output;
    }
  }
}

}  // namespace
}  // namespace pdf
