#include <gtest/gtest.h>

#include "biff/biff_error.h"
#include "biff/document/wide_string_list.h"

using namespace biff;

namespace {

std::vector<std::u16string> items(const TXLSWideStringList& l) {
  std::vector<std::u16string> out;
  for (int i = 0; i < l.Count(); ++i) out.push_back(l.Get(i));
  return out;
}

TEST(WideStringList, SetTextSplitsLines) {
  struct Case {
    std::u16string text;
    std::vector<std::u16string> want;
  };
  const Case cases[] = {
      {u"a\r\nb", {u"a", u"b"}},
      {u"a\n\nb", {u"a", u"b"}},  // the second LF belongs to the first line end
      {u"a\n\n\nb", {u"a", u"", u"b"}},
      {u"a\rb\x0B" u"c\x0C" u"d\u2028e\u2029f", {u"a", u"b", u"c", u"d", u"e", u"f"}},
      {u"a\n", {u"a"}},
      {u"\n", {u""}},
      {u"", {}},
      {u"one", {u"one"}},
      {u"a\u2028\nb", {u"a", u"b"}},
  };
  for (const Case& c : cases) {
    TXLSWideStringList l;
    l.Add(u"old");
    l.SetText(c.text);
    EXPECT_EQ(items(l), c.want);
  }
}

TEST(WideStringList, AddValueTakesTheTextAfterTheFirstBlank) {
  TXLSWideStringList l;
  l.AddValue(u"Attribute VB_Name = \"Module1\"  ");
  l.AddValue(u" leading");
  l.AddValue(u"noblank");
  l.AddValue(u"x ");
  EXPECT_EQ(items(l), (std::vector<std::u16string>{u"VB_Name = \"Module1\"", u" leading", u"noblank", u""}));
}

TEST(WideStringList, TextObjectsAndEvents) {
  TXLSWideStringList l;
  int changes = 0;
  l.OnChange = [&](TXLSWideStringList* sender) {
    EXPECT_EQ(sender, &l);
    ++changes;
  };
  EXPECT_EQ(l.GetText(), u"");
  EXPECT_EQ(l.AddObject(u"Sheet1", 1234), 0);
  EXPECT_EQ(l.Add(u"\u8868"), 1);
  EXPECT_EQ(l.GetObject(0), 1234);
  EXPECT_EQ(l.GetObject(1), 0);
  EXPECT_EQ(l.GetText(), u"Sheet1\r\n\u8868\r\n");
  std::u16string t;
  l.GetTextWithPrefix(u"Attribute", t);
  EXPECT_EQ(t, u"Attribute Sheet1\r\nAttribute \u8868\r\n");
  EXPECT_EQ(changes, 2);
  l.SetText(u"a\nb\nc");
  EXPECT_EQ(changes, 2 + 1 + 3) << "once for the clear, once per line";
  l.BeginUpdate();
  l.Add(u"d");
  l.Clear();
  l.EndUpdate();
  EXPECT_EQ(changes, 6) << "silent while updating";
  EXPECT_THROW(l.Get(0), Exception);
  EXPECT_THROW(l.GetObject(-1), Exception);

  TXLSValueWideStringList v;
  EXPECT_EQ(v.NameValueSeparator(), u'=');
}

}  // namespace
