// Link annotations, URI actions, outlines, form fields and name trees as written at the end of a
// document.
#include <gtest/gtest.h>

#include <string>

#include "pdf/action.h"
#include "pdf/annotation.h"
#include "pdf/document.h"
#include "pdf/errors.h"
#include "pdf/form.h"
#include "pdf/outline.h"
#include "pdf/page.h"
#include "pdf/tests/test_util.h"

namespace pdf {
namespace {

class InteractiveTest : public ::testing::Test {
 protected:
  void SetUp() override { doc.SetOutputStream(&out); }
  void TearDown() override {
    if (doc.Generating()) doc.Abort();
  }
  // The dictionary text of object N.
  std::string Object(int n) const {
    const std::string head = "\n" + std::to_string(n) + " 0 obj\r\n";
    const auto at = out.find(head);
    if (at == std::string::npos) return {};
    return out.substr(at + 1, out.find("endobj", at) - at - 1);
  }
  // The object whose title is the given one; empty when none.
  std::string ByTitle(const std::string& title) const {
    const auto at = out.find("<</Title (" + title + ")\r\n");
    if (at == std::string::npos) return {};
    const auto start = out.rfind("\n", out.rfind(" 0 obj", at)) + 1;
    return out.substr(start, out.find("endobj", at) - start);
  }
  static std::string Number(const std::string& object) { return object.substr(0, object.find(' ')); }
  TPDFDocument doc;
  std::string out;
};

TEST_F(InteractiveTest, LinksAndTheirActions) {
  doc.BeginDoc();
  TPDFPage& page = *doc.CurrentPage;
  TPDFActionAnnotation* a = AddURLLink(page, 10, 300, 110, 280, "http://example.com/a");
  TPDFActionAnnotation* b = AddURLLink(page, 10, 10, 20, 20, "mailto:x@y.z");
  doc.NewPage();
  const int a_action = a->Action->ObjectNumber, b_action = b->Action->ObjectNumber;
  const int a_num = a->ObjectNumber, b_num = b->ObjectNumber;
  doc.EndDoc();
  // The box was given upside down: corners ordered, /Rect as left, bottom, right, top in points.
  EXPECT_EQ(Object(a_num), std::to_string(a_num) +
                               " 0 obj\r\n<</Type /Annot\r\n/Subtype /Link\r\n/Border []\r\n/F 0\r\n/C [1 1 0 ]\r\n"
                               "/Rect [10 542 110 562]\r\n/A " +
                               std::to_string(a_action) + " 0 R\r\n>>\r\n");
  EXPECT_NE(out.find("/Annots [\r\n" + std::to_string(a_num) + " 0 R\r\n" + std::to_string(b_num) + " 0 R\r\n]"),
            std::string::npos);
  EXPECT_NE(Object(b_action).find("/S /URI /URI (mailto:x@y.z)"), std::string::npos);
  // Actions follow every page.
  EXPECT_GT(out.find(std::to_string(a_action) + " 0 obj"), out.rfind("/Type /Page\r\n"));
}

TEST_F(InteractiveTest, RefusalsOfAnnotationsAndActions) {
  doc.BeginDoc();
  TPDFPage& page = *doc.CurrentPage;
  EXPECT_THROW(TPDFActionAnnotation(nullptr), TPDFException);
  try {
    AddURLLink(page, 0, 0, 1, 1, "");
    FAIL();
  } catch (const TPDFException& e) {
    EXPECT_STREQ(e.what(), "URL cannot be empty");
  }
  // What was made before the check stays.
  EXPECT_EQ(page.AnnotationCount(), 1);
  EXPECT_EQ(doc.Actions().Count(), 1);
  page.IsFormPage = true;
  EXPECT_THROW(AddURLLink(page, 0, 0, 1, 1, "http://x"), TPDFException);
  page.IsFormPage = false;
  doc.Abort();
  TPDFURLAction idle;
  EXPECT_THROW(doc.AddAction(std::make_unique<TPDFURLAction>()), TPDFException);
}

TEST_F(InteractiveTest, UriIsEncryptedWithItsActionsNumber) {
  doc.SetProtectionEnabled(true);
  doc.SetUserPassword("u");
  doc.BeginDoc();
  TPDFActionAnnotation* link = AddURLLink(*doc.CurrentPage, 0, 0, 50, 50, "http://example.com/");
  const int n = link->Action->ObjectNumber;
  const std::string expected = "/URI (" + EscapeLiteral(doc.EncryptString("http://example.com/", n)) + ")";
  EXPECT_NE(doc.EncryptString("http://example.com/", n), doc.EncryptString("http://example.com/", link->ObjectNumber));
  doc.EndDoc();
  EXPECT_NE(Object(n).find(expected), std::string::npos);
}

TEST_F(InteractiveTest, OutlineTreeColoursAndStyles) {
  struct Case {
    TPDFVersion version;
    int red;
    unsigned style;
    bool c, f;
  } cases[] = {
      {TPDFVersion::v14, 0, 0, false, false},
      {TPDFVersion::v14, 255, 3, true, true},
      {TPDFVersion::v15, 255, 3, false, false},
  };
  for (const Case& c : cases) {
    out.clear();
    doc.SetVersion(c.version);
    doc.BeginDoc();
    TPDFOutlines& o = doc.Interactive().Outlines();
    TPDFOutlineItem* top = o.Add(nullptr, "Top", nullptr);
    TPDFOutlineItem* one = o.Add(top, "One", nullptr);
    TPDFOutlineItem* two = o.Add(top, "Two", nullptr);
    TPDFOutlineItem* three = o.Add(top, "Three", nullptr);
    o.Add(nullptr, "Second top", nullptr);
    top->Red = c.red;
    top->Style = c.style;
    top->Expanded = true;
    two->Delete();
    EXPECT_EQ(one->Next, three);
    EXPECT_EQ(three->Prev, one);
    EXPECT_EQ(o.Count(), 4);
    doc.EndDoc();
    // The items are numbered while the document ends and freed with it: found by their titles.
    const std::string item = ByTitle("Top");
    EXPECT_EQ(item.find("/C [") != std::string::npos, c.c) << item;
    EXPECT_EQ(item.find("/F 3") != std::string::npos, c.f) << item;
    EXPECT_NE(item.find("/Count 2\r\n/First " + Number(ByTitle("One")) + " 0 R\r\n/Last " + Number(ByTitle("Three")) +
                        " 0 R"),
              std::string::npos)
        << item;
    EXPECT_EQ(ByTitle("Two"), "");
    EXPECT_NE(ByTitle("Three").find("/Prev " + Number(ByTitle("One")) + " 0 R"), std::string::npos);
    EXPECT_NE(out.find("/Type /Outlines\r\n/Count 4\r\n"), std::string::npos);
  }
}

TEST_F(InteractiveTest, RadioGroupsFormAndNameTrees) {
  doc.BeginDoc();
  TPDFPage& page = *doc.CurrentPage;
  AddRadioButton(page, 10, 10, 20, 20, "choice", "a", false);
  TPDFRadioButton* b = AddRadioButton(page, 30, 10, 40, 20, "choice", "b", true);
  b->FieldFlags = 0;
  TPDFRadioButton* only = AddRadioButton(page, 50, 10, 60, 20, "alone", "x", false);
  only->FieldFlags = ffRequired;
  AddEditBox(page, 10, 40, 200, 60, "name", "value (1)");
  doc.Interactive().AddNamedDest("zeta", 0, 100);
  doc.Interactive().AddNamedDest("alpha", 0, 0);
  doc.Interactive().AddJSFunction("hello", "a", "return a;");
  const int group = b->Group->ObjectNumber, alone = only->Group->ObjectNumber;
  doc.EndDoc();
  EXPECT_NE(Object(group).find("/V /b\r\n/DV /b\r\n"), std::string::npos);
  EXPECT_NE(Object(group).find("/Ff 49152"), std::string::npos);
  EXPECT_NE(Object(alone).find("/Ff 32770"), std::string::npos);
  EXPECT_NE(out.find("/AcroForm "), std::string::npos);
  EXPECT_NE(out.find("/Limits [ (alpha) \r\n (zeta) \r\n]"), std::string::npos);
  EXPECT_NE(out.find("/S /JavaScript /JS (function hello\\(a\\){return a;})"), std::string::npos);
  EXPECT_NE(out.find("/V (value \\(1\\))"), std::string::npos);
  EXPECT_NE(out.find("/FitH 842]"), std::string::npos);
}

TEST_F(InteractiveTest, MissingEmbeddedFileAbortsTheDocument) {
  doc.BeginDoc();
  doc.Interactive().AddEmbeddedFile("gone", "/nonexistent/thc/file.bin");
  EXPECT_THROW(doc.EndDoc(), core::Error);
  EXPECT_FALSE(doc.Generating());
  EXPECT_TRUE(doc.Aborted());
}

}  // namespace
}  // namespace pdf
