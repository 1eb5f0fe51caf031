// Style sheet and style records: built-in records, look-ups, equality, screen-font measures.
#include <gtest/gtest.h>

#include <string>

#include "workbook/cell_format_editor.h"
#include "workbook/style_sheet.h"

using namespace workbook;

namespace {

std::string Msg(const std::exception& e) { return e.what(); }

TXc12Color Indexed(int I) {
  TXc12Color c;
  IndexToXc12Color(I, c);
  return c;
}
TXc12Color Rgb(std::int32_t V) {
  TXc12Color c;
  SetXc12ColorRGB(V, c);
  return c;
}

}  // namespace

TEST(StyleSheet, NewSheetHoldsTheBuiltInRecords) {
  TXc12DataStyleSheet ss;
  EXPECT_EQ(ss.XFs->Count(), 1);
  EXPECT_EQ(ss.StyleXFs->Count(), 1);
  EXPECT_EQ(ss.NumberFormats->Count(), 50);
  EXPECT_EQ(ss.Fonts->Count(), 1);
  EXPECT_EQ(ss.Fills->Count(), 2);
  EXPECT_EQ(ss.Borders->Count(), 1);
  EXPECT_EQ(ss.CellStyles->Count(), 1);
  EXPECT_EQ(ss.DXFs->Count(), 0);
  EXPECT_EQ(ss.TableStyles->Count(), 0);
  EXPECT_EQ(ss.ColorObjs->Count(), 0);
  EXPECT_EQ(ss.IndexColorObjs->Count(), 0);
  EXPECT_EQ(ss.Fills->GetDefaultCount(), 2);
  EXPECT_EQ(ss.NumberFormats->GetDefaultCount(), 50);

  const TXc12Font* f = ss.Fonts->GetDefaultFont();
  EXPECT_EQ(f->GetName(), u"Calibri");
  EXPECT_EQ(f->GetSize(), 11);
  EXPECT_EQ(f->GetFamily(), 2);
  EXPECT_EQ(f->GetScheme(), efsMinor);
  EXPECT_EQ(f->GetColor().ColorType, xctTheme);
  EXPECT_EQ(f->GetColor().Index, 1);
  EXPECT_EQ(ss.Fills->GetItem(0)->GetPatternType(), efpNone);
  EXPECT_EQ(ss.Fills->GetItem(1)->GetPatternType(), efpGray125);
  EXPECT_EQ(ss.CellStyles->GetItem(0)->GetName(), u"Normal");
  EXPECT_EQ(ss.CellStyles->GetItem(0)->GetXF(), nullptr);

  for (const TXc12XFs* list : {ss.XFs.get(), ss.StyleXFs.get()}) {
    const TXc12XF* xf = list->GetDefaultXF();
    EXPECT_EQ(xf->IsDefault, 1);
    EXPECT_EQ(xf->GetFont(), ss.Fonts->GetItem(0));
    EXPECT_EQ(xf->GetFill(), ss.Fills->GetItem(0));
    EXPECT_EQ(xf->GetBorder(), ss.Borders->GetItem(0));
    EXPECT_EQ(xf->GetNumberFormat(), ss.NumberFormats->GetItem(0));
    EXPECT_EQ(xf->GetStyleXF(), nullptr);
    EXPECT_EQ(xf->GetProtection(), 1);
    EXPECT_EQ(xf->Alignment.GetVertAlignment(), cvaBottom);
  }
}

TEST(StyleSheet, ClearBringsBackTheBuiltInsAndCompactRenumbers) {
  TXc12DataStyleSheet ss;
  ss.Fonts->Add()->SetName(u"Arial");
  ss.XFs->Add();
  ss.DXFs->Add();
  ss.TableStyles->Add();
  ss.TableStyles->DefaultTableStyle = u"T";
  ss.Clear();
  EXPECT_EQ(ss.Fonts->Count(), 1);
  EXPECT_EQ(ss.XFs->Count(), 1);
  EXPECT_EQ(ss.DXFs->Count(), 0);
  EXPECT_EQ(ss.TableStyles->Count(), 0);
  EXPECT_EQ(ss.TableStyles->DefaultTableStyle, u"");
  EXPECT_EQ(ss.XFs->GetItem(0)->GetFont(), ss.Fonts->GetItem(0));

  // Compact purges what nobody uses right away, then numbers every list from 0.
  TXc12Font* unused = ss.Fonts->Add();
  unused->SetName(u"Unused");
  ss.Compact();
  EXPECT_EQ(ss.Fonts->Count(), 1);
}

TEST(NumberFormats, BuiltInMasksAndLookups) {
  TXc12DataStyleSheet ss;
  TXc12NumberFormats& nf = *ss.NumberFormats;
  EXPECT_EQ(nf.GetItem(0)->GetMask(), u"");
  EXPECT_EQ(nf.GetItem(13)->GetMask(), u"# ?" u"?/?" u"?");
  EXPECT_EQ(nf.GetItem(22)->GetMask(), u"m/d/yy h:mm");
  EXPECT_EQ(nf.GetItem(40)->GetMask(), u"_(#,##0.00_);[Red](#,##0.00)");
  EXPECT_EQ(nf.GetItem(49)->GetMask(), u"@");
  EXPECT_EQ(nf.GetItem(14)->Index, 14);
  EXPECT_EQ(std::u16string(Xc12LegacyNumberFormats[9]), u"#,##0\\ \"kr\";\\-#,##0\\ \"kr\"");
  EXPECT_EQ(std::u16string(Xc12LegacyNumberFormats[17]), u"#\" \"?" u"?/?" u"?");

  TXc12NumberFormat probe;
  EXPECT_EQ(nf.Find(probe), nf.GetItem(0));
  probe.SetMask(u"0.00%");
  EXPECT_EQ(nf.Find(probe), nf.GetItem(10));
  probe.SetMask(u"0.00 %");
  EXPECT_EQ(nf.Find(probe), nullptr);

  struct Case {
    int id;
    const char16_t* mask;
    bool user;
  } cases[] = {{14, u"m/d/yy", false}, {14, u"yyyy-mm-dd", true}, {0, u"", false},
               {1, u"0", false},       {5, u"", false},          {5, u"0.0", true}};
  for (const Case& c : cases) {
    TXc12DataStyleSheet fresh;
    TXc12NumberFormat* f = fresh.NumberFormats->GetItem(c.id);
    f->SetMask(c.mask);
    EXPECT_EQ(f->IsUserDefined(), c.user) << c.id;
  }
}

TEST(NumberFormats, SetFormatById) {
  TXc12DataStyleSheet ss;
  TXc12NumberFormats& nf = *ss.NumberFormats;
  TXc12NumberFormat* f = nf.SetFormatById(u"0.000", 164);
  EXPECT_EQ(nf.Count(), 165);
  EXPECT_EQ(f->Index, 164);
  EXPECT_EQ(f->GetMask(), u"0.000");
  EXPECT_TRUE(f->IsUserDefined());
  for (int i = 50; i < 164; ++i) ASSERT_EQ(nf.GetItem(i)->GetMask(), u"") << i;

  f = nf.SetFormatById(u"yyyy-mm-dd", 14);
  EXPECT_EQ(f, nf.GetItem(14));
  EXPECT_EQ(f->GetMask(), u"yyyy-mm-dd");
  EXPECT_EQ(f->Explicit, 1);

  // A built-in format keeps its mask on Assign.
  TXc12NumberFormat other;
  other.SetMask(u"0.0");
  nf.GetItem(2)->Assign(other);
  EXPECT_EQ(nf.GetItem(2)->GetMask(), u"0.00");
  nf.GetItem(100)->Assign(other);
  EXPECT_EQ(nf.GetItem(100)->GetMask(), u"0.0");

  // Ids from files are bounded; a huge one must not grow the list without end.
  EXPECT_THROW(nf.SetFormatById(u"x", -1), Exception);
  EXPECT_THROW(nf.SetFormatById(u"x", 0x7FFFFFFF), Exception);
  EXPECT_EQ(nf.Count(), 165);
}

TEST(CellStyles, FindIgnoresTheCaseOfLatinLettersOnly) {
  TXc12DataStyleSheet ss;
  EXPECT_EQ(ss.CellStyles->Find(u"NORMAL"), ss.CellStyles->GetItem(0));
  EXPECT_EQ(ss.CellStyles->Find(u"Norma"), nullptr);
  TXc12CellStyle* s = ss.CellStyles->FindOrAdd(u"样式");
  EXPECT_EQ(ss.CellStyles->Count(), 2);
  EXPECT_EQ(ss.CellStyles->FindOrAdd(u"样式"), s);
  // Two names an 8-bit code page would both turn into "??" stay apart.
  EXPECT_EQ(ss.CellStyles->Find(u"标题"), nullptr);
}

TEST(CellFormats, AddOrReuseTakesFreedOrUnusedSlotsElseAppends) {
  TXc12DataStyleSheet ss;
  TXc12XFs& xfs = *ss.XFs;
  for (int i = 1; i <= 4; ++i) {
    TXc12XF* xf = xfs.AddOrReuse();
    EXPECT_EQ(xf->Index, i);
    xf->IncRef();
  }
  TXc12XF* third = xfs.GetItem(3);
  xfs.FreeSlot(third);
  EXPECT_EQ(xfs.GetItem(3), nullptr);
  EXPECT_EQ(xfs.GetItem(4)->Index, 4);
  TXc12XF* reused = xfs.AddOrReuse();
  EXPECT_EQ(reused->Index, 3);
  EXPECT_EQ(xfs.GetItem(3), reused);
  EXPECT_EQ(reused->GetFont(), ss.Fonts->GetItem(0));
  reused->IncRef();

  TXc12XF* appended = xfs.AddOrReuse();
  EXPECT_EQ(appended->Index, 5);
  EXPECT_EQ(xfs.Count(), 6);

  // An unused slot keeps its Apply bits but gets the default parts again.
  xfs.GetItem(2)->DecRef();
  xfs.GetItem(2)->SetApply(xfaFont);
  xfs.GetItem(2)->SetFont(nullptr);
  TXc12XF* again = xfs.AddOrReuse();
  EXPECT_EQ(again->Index, 2);
  EXPECT_EQ(again->GetApply(), xfaFont);
  EXPECT_EQ(again->GetFont(), ss.Fonts->GetItem(0));
  EXPECT_THROW(xfs.GetItem(99), EListError);
}

TEST(CellFormats, Equality) {
  TXc12DataStyleSheet ss;
  auto make = [&] {
    auto xf = std::make_unique<TXc12XF>();
    ss.ResetXF(*xf);
    return xf;
  };
  auto a = make(), b = make();
  b->SetApply(xfaFont | xfaFill);
  EXPECT_TRUE(a->Equal(*b)) << "Apply is not compared";

  // Parts compare by content, not identity.
  TXc12Font otherCalibri;
  otherCalibri.Assign(*ss.Fonts->GetItem(0));
  b->SetFont(&otherCalibri);
  EXPECT_TRUE(a->Equal(*b));
  otherCalibri.SetSize(12);
  EXPECT_FALSE(a->Equal(*b));
  b->SetFont(ss.Fonts->GetItem(0));

  b->SetProtection(3);
  EXPECT_FALSE(a->Equal(*b));
  b->SetProtection(1);
  b->Alignment.SetIndent(2);
  EXPECT_FALSE(a->Equal(*b));
  b->Alignment.SetIndent(0);

  // A style format on one side only does not matter; two different ones do.
  ss.StyleXFs->Add();
  b->SetStyleXF(ss.StyleXFs->GetItem(0));
  EXPECT_TRUE(a->Equal(*b));
  a->SetStyleXF(ss.StyleXFs->GetItem(1));
  EXPECT_FALSE(a->Equal(*b));

  b->SetStyleXF(b.get());
  EXPECT_EQ(b->GetStyleXF(), nullptr);
  EXPECT_TRUE(ss.XFs->GetItem(0)->IsDefaultXF());
}

TEST(CellFormats, HashIsCachedAndFollowsTheLocalFields) {
  TXc12DataStyleSheet ss;
  TXc12XF* xf = ss.XFs->GetItem(0);
  std::int32_t h = xf->GetHashValue();
  EXPECT_EQ(xf->HashValid, 1);
  xf->SetProtection(1);
  EXPECT_EQ(xf->HashValid, 1) << "unchanged value keeps the hash";
  xf->SetQuotePrefix(1);
  EXPECT_EQ(xf->HashValid, 0);
  EXPECT_EQ(xf->GetHashValue(), h + 1);
}

TEST(Fonts, Equality) {
  struct Case {
    const char* what;
    std::function<void(TXc12Font&)> change;
    bool equal;
  } cases[] = {
      {"name case", [](TXc12Font& f) { f.SetName(u"ARIAL"); }, true},
      {"size 10.0000001", [](TXc12Font& f) { f.SetSize(10.0000001); }, false},
      {"bold", [](TXc12Font& f) { f.SetStyle(FontStyleBit(xfsBold)); }, false},
      {"colour", [](TXc12Font& f) { f.SetColor(Indexed(10)); }, false},
      {"underline", [](TXc12Font& f) { f.SetUnderline(xulDouble); }, false},
      {"scheme", [](TXc12Font& f) { f.SetScheme(efsMajor); }, false},
      {"charset", [](TXc12Font& f) { f.SetCharset(134); }, false},
      {"other CJK name", [](TXc12Font& f) { f.SetName(u"黑体"); }, false},
  };
  for (const Case& c : cases) {
    TXc12Font a, b;
    for (TXc12Font* f : {&a, &b}) {
      f->SetName(c.what == std::string("other CJK name") ? u"宋体" : u"Arial");
      f->SetSize(10);
    }
    c.change(b);
    EXPECT_EQ(a.Equal(b), c.equal) << c.what;
    if (c.equal) {
      EXPECT_EQ(a.GetHashValue(), b.GetHashValue()) << c.what;
    }
  }
}

TEST(Fonts, ScreenFontIsScaledFromWholePoints) {
  TXc12Font f;
  f.SetName(u"Arial");
  f.SetSize(10.5);
  f.SetStyle(FontStyleBit(xfsBold) | FontStyleBit(xfsItalic));
  f.SetUnderline(xulDouble);
  TXc12LogFont lf;
  std::uint32_t color = 1;
  f.GetLogFont(lf, color);
  EXPECT_EQ(lf.Height, 210);
  EXPECT_EQ(lf.Weight, 700);
  EXPECT_EQ(lf.Italic, 1);
  EXPECT_EQ(lf.Underline, 0) << "only a single underline maps";
  EXPECT_EQ(lf.FaceName, u"Arial");

  const TXc12LogFont* h = f.GetHandle(96);
  EXPECT_EQ(h->Height, -13);
  EXPECT_EQ(h->OutPrecision, 7);
  EXPECT_EQ(f.GetHandle(300), h) << "cached until the face changes";
  f.SetName(u"Tahoma");
  EXPECT_FALSE(f.HasHandle());
  f.SetSize(11);
  EXPECT_EQ(f.GetHandle(96)->Height, -15);
}

TEST(Fonts, DigitWidthIsMeasuredWhenFontZeroGetsItsSize) {
  Xc12FontMetrics().MeasureChar = [](const TXc12LogFont& lf, char16_t c) {
    return (c == u'4' ? 9 : 6) + (lf.Height == -15 ? 0 : 100);
  };
  {
    TXc12DataStyleSheet ss;
    EXPECT_EQ(ss.Fonts->MaxDigitWidth, 9);
    EXPECT_EQ(ss.Fonts->DefaultFontHeight, -15);
    ss.Fonts->Add()->SetSize(20);  // not font 0: no new measure
    EXPECT_EQ(ss.Fonts->MaxDigitWidth, 9);
    ss.Fonts->GetItem(0)->SetSize(12);
    EXPECT_EQ(ss.Fonts->MaxDigitWidth, 109);
    EXPECT_EQ(ss.Fonts->DefaultFontHeight, -16);
  }
  ResetXc12FontMetrics();
  TXc12DataStyleSheet ss;
  EXPECT_EQ(ss.Fonts->MaxDigitWidth, 7);
  int x = 0, y = 0;
  ss.GetDPI(x, y);
  EXPECT_EQ(x, 96);
  ss.OnGetDPI = [](int& X, int& Y) { X = 120, Y = 144; };
  ss.GetDPI(x, y);
  EXPECT_EQ(y, 144);
}

TEST(Fonts, CommentFontIsAddedOnceAndNeverPurged) {
  TXc12DataStyleSheet ss;
  TXc12Font* a = ss.Fonts->GetCommentFont(false);
  TXc12Font* b = ss.Fonts->GetCommentFont(false);
  EXPECT_EQ(a, b);
  EXPECT_EQ(ss.Fonts->Count(), 2);
  EXPECT_EQ(a->GetName(), u"Tahoma");
  EXPECT_EQ(a->GetSize(), 8);
  EXPECT_EQ(a->IsDefault, 1);
  TXc12Font* bold = ss.Fonts->GetCommentFont(true);
  EXPECT_NE(bold, a);
  EXPECT_EQ(ss.Fonts->Count(), 3);
  ss.Compact();
  EXPECT_EQ(ss.Fonts->Count(), 3);
}

TEST(Fills, Equality) {
  TXc12Fill pattern, gradient;
  gradient.SetIsGradient(true);
  EXPECT_FALSE(pattern.Equal(gradient));
  EXPECT_FALSE(gradient.Equal(pattern));

  TXc12Fill autoBg, indexedBg;
  indexedBg.BgColor = Indexed(64);
  EXPECT_FALSE(autoBg.Equal(indexedBg));

  TXc12Fill g1, g2;
  g1.SetIsGradient(true);
  g2.SetIsGradient(true);
  g1.GetGradient()->Stops.AddStop(Rgb(0xFF0000), 0.5);
  g2.GetGradient()->Stops.AddStop(Rgb(0xFF0000), 0.5000005);
  EXPECT_TRUE(g1.Equal(g2));
  g2.GetGradient()->Stops.GetItem(0)->Position = 0.51;
  EXPECT_FALSE(g1.Equal(g2));
  g2.GetGradient()->Stops.GetItem(0)->Position = 0.5;
  g2.GetGradient()->SetDegree(90);
  EXPECT_FALSE(g1.Equal(g2));
}

TEST(Fills, AssignFollowsTheKindOfTheSource) {
  TXc12Fill pattern;
  pattern.SetPatternType(efpSolid)->FgColor = Rgb(0x00FF00);
  TXc12Fill target;
  target.SetIsGradient(true);
  target.Assign(pattern);
  EXPECT_FALSE(target.IsGradient());
  EXPECT_TRUE(target.Equal(pattern));

  TXc12Fill path;
  path.SetIsGradient(true);
  path.GetGradient()->SetGradientType(1);
  path.GetGradient()->Stops.AddStop(Rgb(1), 0);
  path.GetGradient()->Stops.AddStop(Rgb(2), 1);
  TXc12Fill copy;
  copy.Assign(path);
  ASSERT_TRUE(copy.IsGradient());
  TXc12GradientFill* g = copy.GetGradient();
  EXPECT_EQ(g->GetGradientType(), 1);
  EXPECT_EQ(g->Stops.Count(), 2);
  EXPECT_TRUE(g->LeftAssigned() && g->RightAssigned() && g->TopAssigned() && g->BottomAssigned());
  EXPECT_TRUE(copy.Equal(path));
  copy.Clear();
  EXPECT_FALSE(copy.IsGradient());
  EXPECT_EQ(copy.GetPatternType(), efpNone);
}

TEST(Borders, LinesColoursAndEquality) {
  TXc12Border a, b;
  EXPECT_TRUE(a.Equal(b));
  b.Bottom.Style = cbsThin;
  EXPECT_FALSE(a.Equal(b));
  a.Assign(b);
  EXPECT_TRUE(a.Equal(b));
  b.Diagonal.SetColorRGB(0x112233);
  EXPECT_EQ(b.Diagonal.GetColorRGB(), 0x332211u);
  EXPECT_FALSE(a.Equal(b));
  b.SetOptions(ecboDiagonalUp);
  a.Assign(b);
  EXPECT_TRUE(a.Equal(b));
  EXPECT_EQ(a.GetHashValue(), b.GetHashValue());
  a.Clear();
  EXPECT_EQ(a.GetOptions(), 0);
  EXPECT_EQ(a.Diagonal.Color.ColorType, xctAuto);
}

TEST(DifferentialFormats, EachPartOnce) {
  TXc12DXF dxf;
  EXPECT_EQ(dxf.GetFont(), nullptr);
  dxf.AddFont()->SetName(u"Arial");
  dxf.AddNumFmt()->SetMask(u"0.0");
  dxf.AddFill();
  dxf.AddBorder();
  dxf.AddAlignment();
  struct Case {
    std::function<void()> add;
    const char* message;
  } cases[] = {{[&] { dxf.AddFont(); }, "DXF->Font is allready set"},
               {[&] { dxf.AddNumFmt(); }, "DXF->NumFmt is allready set"},
               {[&] { dxf.AddFill(); }, "DXF->Fill is allready set"},
               {[&] { dxf.AddBorder(); }, "DXF->Border is allready set"},
               {[&] { dxf.AddAlignment(); }, "DXF->Alignment is allready set"}};
  for (const Case& c : cases) {
    try {
      c.add();
      ADD_FAILURE() << c.message;
    } catch (const Exception& e) {
      EXPECT_EQ(Msg(e), c.message);
    }
  }
  EXPECT_EQ(dxf.GetFont()->GetName(), u"Arial");
  EXPECT_THROW(dxf.Equal(dxf), Exception);
  dxf.CalcHash();  // computes from the parts, does not raise
}

TEST(TableStyles, DefaultsAndClear) {
  TXc12DataStyleSheet ss;
  TXc12TableStyle* t = ss.TableStyles->Add();
  EXPECT_EQ(t->GetPivot(), 1);
  EXPECT_EQ(t->GetTable(), 1);
  TXc12TableStyleElement* e = t->GetTableStyleElements().Add();
  EXPECT_EQ(e->GetType(), 255);
  EXPECT_EQ(e->GetSize(), 1);
  t->SetName(u"Mine");
  t->Clear();
  EXPECT_EQ(t->GetName(), u"");
  EXPECT_EQ(t->GetTableStyleElements().Count(), 0);
  EXPECT_THROW(t->CalcHash(), Exception);
}

TEST(StyleSheet, ApplyPaletteRefreshesIndexedColoursExceptBorders) {
  TXc12DataStyleSheet ss;
  TXc12Fill* fill = ss.Fills->Add();
  fill->FgColor = Indexed(10);
  fill->FgColor.ARGB = 0;
  TXc12Font* font = ss.Fonts->Add();
  TXc12Color c = Indexed(12);
  c.ARGB = 0;
  font->SetColor(c);
  TXc12ColorObj* entry = ss.ColorObjs->AddColor(Indexed(13));
  entry->Color.ARGB = 0;
  TXc12Border* border = ss.Borders->Add();
  border->Left.Color = Indexed(10);
  border->Left.Color.ARGB = 0;

  // The style sheet's own palette decides; the process palette is not consulted.
  ss.Palette[10] = 0x00123456;
  Xc12Palette()[12] = 0x00ABCDEF;
  ss.ApplyPalette();
  EXPECT_EQ(fill->FgColor.ARGB, 0x00123456u);
  EXPECT_EQ(font->GetColor().ARGB, Xc12StartPalette()[12]);
  EXPECT_EQ(entry->Color.ARGB, ss.Palette[13]);
  EXPECT_EQ(border->Left.Color.ARGB, 0u);
  ResetXc12Palette();
  ss.Palette[10] = 1;
  ss.Clear();
  EXPECT_EQ(ss.Palette, Xc12StartPalette());
}

TEST(StyleSheet, DiagnosticTexts) {
  TXc12DataStyleSheet ss;
  std::u16string text;
  ss.NumberFormats->GetItem(0)->DumpText(0, text);
  EXPECT_EQ(text, u"@\r\n");
  ss.NumberFormats->GetItem(1)->DumpText(1, text);
  EXPECT_EQ(text, u"  0\r\n");

  TXc12Fill gradient;
  gradient.SetIsGradient(true);
  gradient.DumpText(0, text);
  EXPECT_EQ(text, u"[Gradient - not shown]\r\n");

  TXc12Fill solid;
  solid.SetPatternType(efpSolid)->FgColor = Rgb(0xC0C0C0);
  solid.DumpText(0, text);
  EXPECT_NE(text.find(u"Pattern:\r\n  Solid\r\n"), std::u16string::npos);
  EXPECT_NE(text.find(u"RGB: 00C0C0C0"), std::u16string::npos);

  TXc12Font font;
  font.SetName(u"Arial");
  font.SetSize(9);
  font.SetStyle(FontStyleBit(xfsBold));
  font.DumpText(0, text);
  EXPECT_EQ(text.substr(0, 31), u"Name   : Arial\r\nSize   : 9\r\nSty");
  EXPECT_NE(text.find(u"Style  :\r\n  Bold\r\n"), std::u16string::npos);
  EXPECT_NE(text.find(u"Color  :\r\n  ARGB: 00000000\r\n  Tint: 0.00\r\n  Color type:\r\n    Auto\r\n"),
            std::u16string::npos);

  TXc12Border border;
  border.Left.Style = cbsThin;
  border.DumpText(0, text);
  EXPECT_NE(text.find(u"Left: \r\n  Style: Thin\r\n"), std::u16string::npos);
  EXPECT_EQ(text.find(u"Top: "), std::u16string::npos);

  ss.XFs->GetItem(0)->DumpText(0, text);
  EXPECT_EQ(text.substr(0, 11), u"This XF: 0\r");
  EXPECT_NE(text.find(u"Protection:\r\n  Locked\r\n"), std::u16string::npos);
}
