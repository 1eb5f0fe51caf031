// The comments part: authors, comments streamed through one reused comment, and what is written.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ooxml/spreadsheetml/sml_document.h"
#include "ooxml/spreadsheetml/tests/sml_testing.h"

namespace ooxml::sml {
namespace {

TEST(SmlComments, EachCommentReachesTheHandlerOnce) {
  LoadedPart p;
  std::vector<std::string> seen;
  p.doc.GetComments()->commentList->OnReadComment = [&](TCT_Comment& c) {
    std::string runs;
    for (int i = 0; i < c.text->r.Count(); ++i) runs += "[" + ToUtf8(c.text->r[i]->t) + "]";
    seen.push_back(ToUtf8(c.ref) + " " + std::to_string(c.authorId) + " " + ToUtf8(c.text->t) + runs);
  };
  p.Load(std::string(kDecl) +
         "<comments><authors><author>Müller</author><author>Wang 汪</author></authors><commentList>"
         "<comment ref=\"B2\" authorId=\"0\"><text><t>Sensor Ω fault</t></text></comment>"
         "<comment ref=\"C2\" authorId=\"1\"><text><r><rPr><b/></rPr><t>Wang:</t></r><r><t> calibrated</t></r></text>"
         "</comment><comment ref=\"D9\" authorId=\"x\"/></commentList></comments>");
  EXPECT_EQ(Joined(p.reports), "");
  EXPECT_EQ(seen, (std::vector<std::string>{"B2 0 Sensor Ω fault", "C2 1 [Wang:][ calibrated]", "D9 0 "}));
  const TCT_Authors& authors = *p.doc.GetComments()->authors;
  ASSERT_EQ(authors.author.GetCount(), 2);
  EXPECT_EQ(authors.author.GetItem(0), u"Müller");
  EXPECT_EQ(authors.author.GetItem(1), u"Wang 汪") << "authors are Unicode";
}

TEST(SmlComments, WrittenFromTheEvent) {
  TXPGDocXLSX doc;
  TCT_Comments& comments = *doc.GetComments();
  const char16_t* refs[] = {u"A1", u"", u"B2", u"C3", u"D4", u"E5"};
  const std::u16string authors[] = {u"Müller", u"Wang 汪", u"Müller", u"Müller", u"Wang 汪", u"Wang 汪"};
  for (const auto& a : authors)
    if (comments.authors->author.IndexOf(a) < 0) comments.authors->author.Add(a);
  std::size_t next = 0;
  int asked = 0;
  comments.commentList->OnWriteComment = [&](TCT_Comment& c, bool& more) {
    ++asked;
    if (next == std::size(refs)) return;
    const std::size_t i = next++;
    more = true;
    if (!*refs[i]) return;  // an answer that leaves the comment empty: skipped, asked again
    c.ref = refs[i];
    c.authorId = comments.authors->author.IndexOf(authors[i]);
    c.text->t = u"note " + std::u16string(refs[i]);
  };
  XmlMemoryStream out;
  SavePart(doc, out, comments);
  EXPECT_EQ(Compact(out.Data()),
            "<comments><authors><author>Müller</author><author>Wang 汪</author></authors><commentList>"
            "<comment ref=\"A1\" authorId=\"0\" ><text><t>note A1</t></text></comment>"
            "<comment ref=\"B2\" authorId=\"0\" ><text><t>note B2</t></text></comment>"
            "<comment ref=\"C3\" authorId=\"0\" ><text><t>note C3</t></text></comment>"
            "<comment ref=\"D4\" authorId=\"1\" ><text><t>note D4</t></text></comment>"
            "<comment ref=\"E5\" authorId=\"1\" ><text><t>note E5</t></text></comment></commentList></comments>");
  EXPECT_EQ(asked, 7);
}

TEST(SmlComments, WhenTheElementIsWritten) {
  TXPGDocXLSX doc;
  XmlMemoryStream none;
  SavePart(doc, none, *doc.GetComments());
  EXPECT_NE(none.Data().find("<?xml"), std::string::npos);
  EXPECT_EQ(Compact(none.Data()), "")
      << "no author, no extension, no comment event: nothing but the declaration";
  doc.GetComments()->authors->author.Add(u"Ann");
  XmlMemoryStream one;
  SavePart(doc, one, *doc.GetComments());
  EXPECT_EQ(Compact(one.Data()), "<comments><authors><author>Ann</author></authors><commentList/></comments>");
}

}  // namespace
}  // namespace ooxml::sml
