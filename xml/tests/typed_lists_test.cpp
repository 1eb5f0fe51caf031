#include "xml/typed_lists.h"

#include <gtest/gtest.h>

#include "core/error.h"
#include "xml/xml_writer.h"

namespace {

using namespace ooxml;

TEST(TypedLists, BooleanList) {
  TBooleanXpgList list;
  int errors = 0;
  list.OnError = [&](TBaseXpgList& sender) {
    ++errors;
    EXPECT_EQ(&sender, &list);
  };
  list.SetDelimitedText(u"true 0 FALSE");
  ASSERT_EQ(list.GetCount(), 2);
  EXPECT_TRUE(list.GetItem(0));
  EXPECT_FALSE(list.GetItem(1));
  EXPECT_EQ(errors, 1);
  EXPECT_EQ(list.GetAsString(0), u"true");
  EXPECT_EQ(list.GetDelimitedText(), u"True False");
  list.SetAsString(1, u"1");
  EXPECT_TRUE(list.GetItem(1));
  EXPECT_THROW(list.SetAsString(0, u"yes"), core::Error);
  EXPECT_THROW(list.Add(u"maybe"), core::Error);
  EXPECT_THROW(list.GetItem(2), core::Error);
}

TEST(TypedLists, LongwordList) {
  TLongwordXpgList list;
  int errors = 0;
  list.OnError = [&](TBaseXpgList&) { ++errors; };
  list.SetDelimitedText(u"1  2");
  ASSERT_EQ(list.GetCount(), 2);
  EXPECT_EQ(list.GetItem(1), 2u);
  EXPECT_EQ(errors, 1);
  list.SetDelimitedText(u"-1");
  EXPECT_EQ(list.GetItem(0), 4294967295u);
  EXPECT_EQ(list.GetDelimitedText(), u"4294967295");
  list.SetDelimiter(u',');
  list.SetDelimitedText(u"3,x,4");
  EXPECT_EQ(list.GetDelimitedText(), u"3 4");  // joined by blanks whatever the delimiter
  EXPECT_EQ(errors, 2);
  try {
    list.Add(u"x");
    FAIL();
  } catch (const core::Error& e) {
    EXPECT_STREQ(e.what(), "'x' is not a valid integer value");
  }
}

TEST(TypedLists, ExtendedListAndTheLocaleSeparator) {
  TExtendedXpgList list;
  list.Add(1.5);
  list.Add(u"2");
  TFormatSettings saved = XpgFormatSettings();
  XpgFormatSettings().DecimalSeparator = u',';
  EXPECT_EQ(list.GetAsString(0), u"1.5");
  EXPECT_EQ(list.GetDelimitedText(), u"1,5 2");
  XpgFormatSettings() = saved;
  EXPECT_EQ(list.GetDelimitedText(), u"1.5 2");
  list.SetDelimitedText(u"0.25 abc 1E3");
  ASSERT_EQ(list.GetCount(), 2);
  EXPECT_EQ(list.GetItem(1), 1000);
}

TEST(TypedLists, DateTimeList) {
  TTDateTimeXpgList list;
  list.Add(u"2000-01-01T12:00:00Z");
  EXPECT_EQ(list.GetItem(0), 36526.5);
  EXPECT_EQ(list.GetAsString(0), u"2000-01-01T12:00:00Z");
  EXPECT_EQ(list.GetDelimitedText(), u"36526.5");
  try {
    list.SetDelimitedText(u"2000-01-01T12:00:00Z");
    FAIL();
  } catch (const core::Error& e) {
    EXPECT_STREQ(e.what(), "Not implemented: TryXmlStrToDateTime");
  }
  list.SetDelimitedText(u"");
  EXPECT_EQ(list.GetCount(), 0);
}

TEST(TypedLists, StringListDelimitedText) {
  struct Case {
    std::u16string text;
    char16_t delimiter;
    std::vector<std::u16string> items;
    std::u16string written;
  } cases[] = {
      {u"a b  c", u' ', {u"a", u"b", u"c"}, u"a b c"},
      {u"  \"x y\" z", u' ', {u"x y", u"z"}, u"\"x y\" z"},
      {u"\"say \"\"hi\"\"\"", u' ', {u"say \"hi\""}, u"\"say \"\"hi\"\"\""},
      {u"a,b,", u',', {u"a", u"b", u""}, u"a,b,"},
      {u"a, b ,c", u',', {u"a", u"b", u"c"}, u"a,b,c"},
      {u"\"\"", u' ', {u""}, u"\"\""},
      {u"", u' ', {}, u""},
      {u"\u00E9t\u00E9 x", u' ', {u"\u00E9t\u00E9", u"x"}, u"\u00E9t\u00E9 x"},
  };
  for (const Case& c : cases) {
    TStringXpgList list;
    list.SetDelimiter(c.delimiter);
    list.SetDelimitedText(c.text);
    ASSERT_EQ(list.GetCount(), static_cast<int>(c.items.size()));
    for (std::size_t i = 0; i < c.items.size(); ++i) EXPECT_EQ(list.GetItem(static_cast<int>(i)), c.items[i]);
    EXPECT_EQ(list.GetDelimitedText(), c.written);
  }
}

TEST(TypedLists, StringListAttributeLinesAndTags) {
  TStringXpgList list;
  list.AddAttribute(u"xmlns", u"http://schemas.openxmlformats.org/spreadsheetml/2006/main");
  list.AddAttribute(u"x", u"a\"b");
  EXPECT_EQ(list.GetText(),
            u"xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" \r\nx=\"a&quot;b\" \r\n");
  EXPECT_EQ(list.IndexOf(u"x=\"a&quot;b\" "), 1);
  EXPECT_EQ(list.IndexOf(u"nope"), -1);

  XmlMemoryStream out;
  TXpgWriteXML w;
  w.BeginDocument(out);
  TStringXpgList empty;
  empty.WriteAsTags(w, u"vt:lpstr");
  std::size_t after_decl = out.Data().size();
  TStringXpgList names;
  names.Add(u"Sheet1");
  names.Add(u"A&B");
  names.WriteAsTags(w, u"vt:lpstr");
  EXPECT_EQ(out.Data().substr(after_decl), "<vt:lpstr>Sheet1</vt:lpstr>\r<vt:lpstr>A&amp;B</vt:lpstr>\r");
}

}  // namespace
