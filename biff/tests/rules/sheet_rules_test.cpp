// Conditional formats, data validations and autofilters of .xls sheets: the record objects, the
// LibreOffice-made fixture read into the workbook model, and what a save writes of them.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "biff/document/sheet_rules.h"
#include "biff/formulas/biff8_decoder.h"
#include "biff/reader/xls_reader.h"
#include "biff/writer/tests/writer_test_support.h"
#include "core/byte_io.h"
#include "platform/storage/compound_file.h"
#include "workbook/comments_data.h"
#include "workbook/conditional_formats.h"
#include "workbook/error_manager.h"
#include "workbook/manager.h"
#include "workbook/style_sheet.h"
#include "workbook/workbook_data.h"
#include "workbook/worksheet_data.h"

namespace biff::testing {
namespace {

namespace wb = workbook;

const std::string kFixtures = THC_RULES_FIXTURES;

core::Bytes Load(const std::string& Name) {
  std::ifstream in(kFixtures + "/" + Name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> Hex(const char* Text) {
  std::vector<std::uint8_t> out;
  std::string s;
  for (const char* p = Text; *p; ++p)
    if (std::isxdigit(static_cast<unsigned char>(*p))) s += *p;
  for (std::size_t i = 0; i + 1 < s.size(); i += 2) out.push_back(static_cast<std::uint8_t>(std::stoi(s.substr(i, 2), nullptr, 16)));
  return out;
}

// The records of the rules of a written or fixture file, in file order.
std::vector<Record> RuleRecords(const core::Bytes& File) {
  std::vector<Record> out;
  for (Record& r : Records(File))
    if (r.Id == BIFFRECID_CONDFMT || r.Id == BIFFRECID_CF || r.Id == BIFFRECID_DVAL || r.Id == BIFFRECID_DV ||
        r.Id == BIFFRECID_FILTERMODE || r.Id == BIFFRECID_AUTOFILTERINFO || r.Id == BIFFRECID_AUTOFILTER)
      out.push_back(std::move(r));
  return out;
}

void ReadInto(Book& B, const core::Bytes& File) {
  const core::ByteSpan span(File);
  TXLSReadXLS(*B.doc).Read(&span);
}

// ---------------------------------------------------------------------------------------------
// The format blocks of a condition

TEST(CondFmtBlocks, NewBlocksStateNothing) {
  const TCondFmtFont f;
  EXPECT_FALSE(f.Assigned);
  EXPECT_EQ(f.Height20(), 0u);
  EXPECT_EQ(f.Color(), 64);
  EXPECT_EQ(f.FontStyle(), 0);
  EXPECT_FALSE(f.StyleSet() || f.StrikeSet() || f.EscapementSet() || f.UnderlineSet() || f.ColorSet() || f.HeightSet());
  EXPECT_EQ(core::load_le16(f.Block.data() + 116), 1);
  const TCondFmtBorder b;
  EXPECT_FALSE(b.IsAssigned());
  EXPECT_EQ(core::load_le32(b.Block.data() + 2), 0x20402040u);
  for (std::uint8_t c : {b.LeftColor(), b.RightColor(), b.TopColor(), b.BottomColor()}) EXPECT_EQ(c, 64);
  const TCondFmtData d;
  EXPECT_TRUE(d.CompareCell());
  EXPECT_EQ(d.CompOperator(), coEqual);
  EXPECT_EQ(d.Flags(), 0x003FFFFFu);
  EXPECT_FALSE(d.IsUsed());
}

TEST(CondFmtBlocks, BorderSettersChangeOnlyTheirBits) {
  TCondFmtBorder b;
  b.SetBottomColor(12);
  b.SetTopColor(10);
  EXPECT_EQ(core::load_le32(b.Block.data() + 2), (0x20402040u & ~(0x7Fu << 16) & ~(0x7Fu << 23)) | (10u << 16) | (12u << 23));
  EXPECT_EQ(b.TopColor(), 10);
  EXPECT_EQ(b.BottomColor(), 12);
  EXPECT_FALSE(b.IsAssigned());  // colours alone assign no side
  b.SetTopStyle(wb::cbsMedium);
  b.SetTopStyle(wb::cbsThin);
  EXPECT_EQ(b.TopStyle(), wb::cbsThin);  // replaced, not OR-ed
  EXPECT_TRUE(b.TopAssigned);
  b.SetTopStyle(wb::cbsNone);
  EXPECT_FALSE(b.TopAssigned);
}

TEST(CondFmtBlocks, PatternColours) {
  TCondFmtPattern p;
  p.SetFillPattern(wb::efpSolid);
  p.SetForeColor(13);
  p.SetBackColor(34);
  EXPECT_EQ(core::load_le16(p.Block.data()), 0x0400);
  EXPECT_EQ(core::load_le16(p.Block.data() + 2), 34 | (13 << 7));
  p.SetForeColor(64);
  EXPECT_FALSE(p.ForeColorAssigned);
  EXPECT_EQ(p.ForeColor(), 64);  // 0 reads as automatic
  EXPECT_EQ(p.BackColor(), 34);
  p.SetFillPattern(wb::efpNone);
  EXPECT_FALSE(p.PatternAssigned);
}

TEST(CondFmtBlocks, FontProperties) {
  struct Case {
    wb::TXc12Underline Underline;
    std::uint8_t Byte;
  };
  for (const Case& c : {Case{wb::xulNone, 0}, Case{wb::xulSingle, 1}, Case{wb::xulDouble, 2},
                        Case{wb::xulSingleAccount, 0x21}, Case{wb::xulDoubleAccount, 0x22}}) {
    TCondFmtFont f;
    f.SetUnderline(c.Underline);
    EXPECT_EQ(f.Block[76], c.Byte);
    EXPECT_EQ(f.Underline(), c.Underline);
    EXPECT_TRUE(f.UnderlineSet() && f.Assigned);
  }
  TCondFmtFont f;
  f.SetFontStyle(wb::FontStyleBit(wb::xfsBold) | wb::FontStyleBit(wb::xfsStrikeOut));
  EXPECT_EQ(core::load_le16(f.Block.data() + 72), 700);
  EXPECT_EQ(core::load_le32(f.Block.data() + 68), 0x80u);
  EXPECT_EQ(core::load_le32(f.Block.data() + 88), 0x18u);  // style and strike-out modified
  EXPECT_EQ(f.FontStyle(), wb::FontStyleBit(wb::xfsBold) | wb::FontStyleBit(wb::xfsStrikeOut));
  f.SetColor(10);
  EXPECT_EQ(f.Color(), 10);
  f.SetColor(64);
  EXPECT_EQ(core::load_le32(f.Block.data() + 80), 0xFFFFFFFFu);
  // Clearing the height keeps a font that sets other parts.
  f.SetHeight20(240);
  f.SetHeight20(0);
  EXPECT_TRUE(f.Assigned);
  EXPECT_EQ(f.Height20(), 0u);
}

// ---------------------------------------------------------------------------------------------
// Records read and written back

// The CONDFMT of two ranges and its two CF records, as LibreOffice wrote them.
struct LORecords {
  core::Bytes File = Load("rules.xls");
  std::vector<Record> Rules = RuleRecords(File);
  std::vector<const Record*> Of(std::uint16_t Id) const { return Find(Rules, Id); }
};

TEST(ConditionalFormatRecords, TwoRangesTwoConditionsComeBackByteForByte) {
  LORecords lo;
  const auto condfmts = lo.Of(BIFFRECID_CONDFMT);
  const auto cfs = lo.Of(BIFFRECID_CF);
  ASSERT_EQ(condfmts.size(), 2u);
  ASSERT_EQ(cfs.size(), 3u);
  TConditionalFormat f;
  ASSERT_EQ(f.ReadCONDFMT(condfmts[0]->Body.data(), static_cast<int>(condfmts[0]->Body.size())), 2);
  ASSERT_EQ(f.Areas.Count(), 2);
  for (int i = 0; i < 2; ++i) f.Conditions[static_cast<std::size_t>(i)].ReadFromRecord(cfs[i]->Body.data(), static_cast<int>(cfs[i]->Body.size()));
  EXPECT_EQ(f.ConditionCount(), 2);
  EXPECT_FALSE(f.Condition3().IsUsed());
  EXPECT_EQ(f.Condition1().CompOperator(), coGreater);
  EXPECT_EQ(f.Condition2().CompOperator(), coBetween);
  EXPECT_EQ(f.Condition1().FmtFont.Color(), 10);
  EXPECT_EQ(f.Condition1().FmtPattern.ForeColor(), 13);
  EXPECT_EQ(f.Condition2().FmtBorder.TopStyle(), wb::cbsThin);
  EXPECT_EQ(f.Condition2().FmtBorder.TopColor(), 12);
  const std::vector<TRawRecord> out = f.Records();
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0].Body, condfmts[0]->Body);
  EXPECT_EQ(out[1].Body, cfs[0]->Body);
  EXPECT_EQ(out[2].Body, cfs[1]->Body);
}

TEST(ConditionalFormatRecords, BadCountsAndShortRecordsAreRefused) {
  const std::vector<std::uint8_t> none = Hex("00 00 01 00 00 00 00 00 00 00 00 00 01 00 00 00 00 00 00 00 00 00");
  const std::vector<std::uint8_t> four = Hex("04 00 01 00 00 00 00 00 00 00 00 00 01 00 00 00 00 00 00 00 00 00");
  for (const auto* body : {&none, &four}) {
    TConditionalFormat f;
    try {
      f.ReadCONDFMT(body->data(), static_cast<int>(body->size()));
      ADD_FAILURE() << "accepted";
    } catch (const Exception& e) {
      EXPECT_STREQ(e.what(), "Bad number of CF records.");
    }
  }
  // A CF whose formula length runs past the record, and one announcing a font block it lacks.
  for (const char* body : {"01 03 09 00 00 00 ff ff 3f 00 00 00 1e 01 00", "01 03 03 00 00 00 ff ff 3f 04 00 00 1e 01 00"}) {
    const std::vector<std::uint8_t> b = Hex(body);
    TCondFmtData d;
    EXPECT_THROW(d.ReadFromRecord(b.data(), static_cast<int>(b.size())), Exception) << body;
  }
}

TEST(ConditionalFormatRecords, BlocksThisSystemDoesNotEditAreKept) {
  // Number-format (5 bytes), pattern and protection blocks around the formula = 1.
  const std::vector<std::uint8_t> body =
      Hex("02 00 03 00 00 00 ff ff 3e 62 00 00  05 00 01 02 03  00 04 22 06  01 00  1e 01 00");
  TCondFmtData d;
  d.ReadFromRecord(body.data(), static_cast<int>(body.size()));
  EXPECT_TRUE(d.FmtPattern.PatternAssigned);
  EXPECT_EQ(d.FmtPattern.FillPattern(), wb::efpSolid);
  EXPECT_EQ(d.Formula1(), Hex("1e 01 00"));
  EXPECT_EQ(d.Record().Body, body);
}

TEST(ConditionalFormatRecords, FormatWithoutUsedConditionIsNotWritten) {
  TConditionalFormat f;
  f.Areas.AddArea(0, 0, 1, 1);
  f.Condition1().SetFormula1({0x1E, 1, 0});
  EXPECT_TRUE(f.Records().empty());
  f.Condition1().FmtPattern.SetFillPattern(wb::efpSolid);
  const std::vector<TRawRecord> out = f.Records();
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(core::load_le32(out[1].Body.data() + 6) & (CF_HAS_FONT | CF_HAS_BORDER | CF_HAS_PATTERN), CF_HAS_PATTERN);
  EXPECT_EQ(core::load_le32(out[1].Body.data() + 6) & 0x00010000u, 0u);  // the pattern is set
}

TEST(ValidationRecords, OptionBitsAsReadUntilChanged) {
  LORecords lo;
  const auto dvs = lo.Of(BIFFRECID_DV);
  ASSERT_EQ(dvs.size(), 3u);
  TDataValidation v;
  v.ReadFromRecord(dvs[0]->Body.data(), static_cast<int>(dvs[0]->Body.size()));
  EXPECT_EQ(v.ValidationType(), vtList);
  EXPECT_EQ(v.InputTitle, u"Pick one");
  EXPECT_EQ(v.ErrorMsg, u"Only north, south or east");
  EXPECT_EQ(v.Options(), voAllowEmptyCells | voShowPromptBox | voShowErrorBox);
  EXPECT_EQ(v.OptionBits(), core::load_le32(dvs[0]->Body.data()));
  // Bits this system has no name for stay while nothing changes.
  std::vector<std::uint8_t> odd = dvs[0]->Body;
  core::store_le32(odd.data(), core::load_le32(odd.data()) | 0x40000000u);
  TDataValidation w;
  w.ReadFromRecord(odd.data(), static_cast<int>(odd.size()));
  EXPECT_EQ(core::load_le32(w.Record().Body.data()), core::load_le32(odd.data()));
  // Once changed, the bits are rebuilt: the list of choices (one string token) gets 0x80.
  w.SetValidationStyle(vsWarning);
  EXPECT_EQ(w.OptionBits(), 0x000C0100u | 0x80 | vtList | (vsWarning << 4) | (vopEqual << 20));
}

TEST(ValidationRecords, NewRuleBits) {
  TDataValidation v;
  EXPECT_EQ(v.OptionBits(), 0u);
  v.SetValidationOperator(vopEqual);
  EXPECT_EQ(v.OptionBits(), 0x000C0100u | vtNumber | (vopEqual << 20));
}

TEST(ValidationRecords, EmptyTextsAndAreaLimit) {
  // Four empty texts as one NUL character each, formula 1 = 1, and a claim of 5000 areas.
  const std::vector<std::uint8_t> body =
      Hex("01 00 00 00  01 00 00 00  01 00 00 00  01 00 00 00  01 00 00 00  03 00 00 00 1e 01 00  00 00 00 00  88 13");
  TDataValidation v;
  v.ReadFromRecord(body.data(), static_cast<int>(body.size()));
  for (const std::u16string* t : {&v.InputTitle, &v.ErrorTitle, &v.InputMsg, &v.ErrorMsg}) EXPECT_TRUE(t->empty());
  EXPECT_EQ(v.Areas.Count(), 0);
  std::vector<std::uint8_t> expected = body;
  expected[expected.size() - 2] = 0;  // no areas written
  expected[expected.size() - 1] = 0;
  EXPECT_EQ(v.Record().Body, expected);
  // A text whose option byte is neither 8-bit nor UTF-16.
  const std::vector<std::uint8_t> bad = Hex("01 00 00 00  02 00 05 41 42");
  TDataValidation w;
  try {
    w.ReadFromRecord(bad.data(), static_cast<int>(bad.size()));
    ADD_FAILURE() << "accepted";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Unhandled string in DV");
  }
}

TEST(AutoFilterRecords, ConditionsAndColumns) {
  LORecords lo;
  const auto filters = lo.Of(BIFFRECID_AUTOFILTER);
  ASSERT_EQ(filters.size(), 2u);
  TAutoFilters a;
  a.ReadFILTERMODE();
  for (const Record* r : lo.Of(BIFFRECID_AUTOFILTERINFO)) a.ReadAUTOFILTERINFO(r->Body.data(), static_cast<int>(r->Body.size()));
  // The filter of the third column first: the list then holds nil, nil and the filter.
  a.ReadAUTOFILTER(filters[1]->Body.data(), static_cast<int>(filters[1]->Body.size()));
  ASSERT_EQ(a.Count(), 3);
  EXPECT_EQ(a.Items(0), nullptr);
  EXPECT_EQ(a.Items(1), nullptr);
  ASSERT_NE(a.Items(2), nullptr);
  EXPECT_EQ(a.Items(2)->Condition1.Text, u"north");
  a.ReadAUTOFILTER(filters[0]->Body.data(), static_cast<int>(filters[0]->Body.size()));
  ASSERT_NE(a.Items(0), nullptr);
  // Two text conditions: the second one's characters start after the first one's.
  EXPECT_EQ(a.Items(0)->Condition1.Kind, afkString);
  EXPECT_EQ(a.Items(0)->Condition1.Operator, afcGreater);
  EXPECT_EQ(a.Items(0)->Condition1.Text, u"Al");
  EXPECT_EQ(a.Items(0)->Condition2.Operator, afcLess);
  EXPECT_EQ(a.Items(0)->Condition2.Text, u"Zed");
  const std::vector<TRawRecord> out = a.Records();
  ASSERT_EQ(out.size(), 4u);
  EXPECT_EQ(out[0].Id, BIFFRECID_FILTERMODE);
  EXPECT_EQ(out[1].Body, std::vector<std::uint8_t>({3, 0}));
  TAutoFilter back;
  back.ReadFromRecord(out[2].Body.data(), static_cast<int>(out[2].Body.size()));
  EXPECT_EQ(back.Condition2.Text, u"Zed");
}

TEST(AutoFilterRecords, ValueKinds) {
  struct Case {
    const char* Doper;  // the first DOPER
    std::uint8_t Kind;
    double Number;
    std::uint8_t Value;
    std::uint8_t WrittenType;
  };
  const Case cases[] = {
      {"02 04 7b 05 00 00 00 00 00 00", afkNumber, 3.5, 0, 0x04},  // RK 3.5 (350 / 100)
      {"04 06 00 00 00 00 00 00 24 40", afkNumber, 10, 0, 0x04},
      {"08 02 00 01 00 00 00 00 00 00", afkBoolean, 0, 1, 0x08},
      {"08 02 01 07 00 00 00 00 00 00", afkError, 0, 7, 0x08},
      {"0c 02 00 00 00 00 00 00 00 00", afkAllBlanks, 0, 0, 0x0C},
      {"0e 05 00 00 00 00 00 00 00 00", afkAllNonBlanks, 0, 0, 0x0E},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Doper);
    std::vector<std::uint8_t> body = Hex("01 00 00 00");
    const std::vector<std::uint8_t> d = Hex(c.Doper);
    body.insert(body.end(), d.begin(), d.end());
    body.resize(24, 0);
    TAutoFilter f;
    f.ReadFromRecord(body.data(), static_cast<int>(body.size()));
    EXPECT_EQ(f.Column, 1);
    EXPECT_EQ(f.Condition1.Kind, c.Kind);
    EXPECT_EQ(f.Condition1.Operator, d[1]);
    EXPECT_EQ(f.Condition1.Number, c.Number);
    EXPECT_EQ(f.Condition1.Value, c.Value);
    const TRawRecord r = f.Record();
    EXPECT_EQ(r.Body[4], c.WrittenType);
    EXPECT_EQ(r.Body[5], d[1]);
  }
}

// ---------------------------------------------------------------------------------------------
// The fixture read into the workbook model

class FixtureModel : public ::testing::Test {
protected:
  void SetUp() override {
    file = Load("rules.xls");
    ASSERT_FALSE(file.empty());
    ReadInto(b, file);
    sheet = b.m.Worksheets->GetItem(0);
  }
  core::Bytes file;
  Book b{true};
  wb::TXc12DataWorksheet* sheet = nullptr;
};

TEST_F(FixtureModel, ConditionalFormats) {
  const wb::TXc12ConditionalFormattings& cf = *sheet->ConditionalFormats;
  ASSERT_EQ(cf.Count(), 2);
  const wb::TXc12ConditionalFormatting& values = *cf.GetItem(0);
  EXPECT_EQ(values.Sqref.GetAsText(), u"B2:B5 E2:E5");
  ASSERT_EQ(values.Rules.Count(), 2);
  const wb::TXc12CfRule& hot = *values.Rules.GetItem(0);
  EXPECT_EQ(hot.type, 1);      // cellIs
  EXPECT_EQ(hot.Operator, 5);  // greaterThan
  EXPECT_EQ(hot.Formulas[0], u"50");
  EXPECT_EQ(hot.priority, 1);
  ASSERT_TRUE(hot.dxf && hot.dxf->GetFont() && hot.dxf->GetFill());
  EXPECT_EQ(hot.dxf->GetFont()->GetStyle(), wb::FontStyleBit(wb::xfsBold));
  EXPECT_EQ(hot.dxf->GetFont()->GetColor().ColorType, wb::xctIndexed);
  EXPECT_EQ(hot.dxf->GetFont()->GetColor().Index, 10);  // red
  EXPECT_EQ(hot.dxf->GetFill()->GetPatternType(), wb::efpSolid);
  EXPECT_EQ(hot.dxf->GetFill()->FgColor.Index, 13);  // yellow
  EXPECT_EQ(hot.dxf->GetBorder(), nullptr);
  const wb::TXc12CfRule& mid = *values.Rules.GetItem(1);
  EXPECT_EQ(mid.Operator, 6);  // between
  EXPECT_EQ(mid.Formulas[0], u"10");
  EXPECT_EQ(mid.Formulas[1], u"20");
  ASSERT_TRUE(mid.dxf && mid.dxf->GetFont() && mid.dxf->GetBorder());
  EXPECT_EQ(mid.dxf->GetFont()->GetStyle(), wb::FontStyleBit(wb::xfsItalic));
  EXPECT_EQ(mid.dxf->GetFont()->GetColor().ColorType, wb::xctUnassigned);
  EXPECT_EQ(mid.dxf->GetBorder()->Top.Style, wb::cbsThin);
  EXPECT_EQ(mid.dxf->GetBorder()->Bottom.Style, wb::cbsThin);
  EXPECT_EQ(mid.dxf->GetBorder()->Top.Color.Index, 12);  // blue
  EXPECT_EQ(mid.dxf->GetBorder()->Left.Style, wb::cbsNone);
  const wb::TXc12ConditionalFormatting& flag = *cf.GetItem(1);
  EXPECT_EQ(flag.Sqref.GetAsText(), u"A2:A5");
  ASSERT_EQ(flag.Rules.Count(), 1);
  const wb::TXc12CfRule& f = *flag.Rules.GetItem(0);
  EXPECT_EQ(f.type, 0);  // expression
  EXPECT_EQ(f.Formulas[0], u"$B2>=40");
  EXPECT_EQ(f.priority, 3);
  ASSERT_TRUE(f.dxf && f.dxf->GetFont() && f.dxf->GetFill() && f.dxf->GetBorder());
  EXPECT_EQ(f.dxf->GetFont()->GetUnderline(), wb::xulSingle);
  EXPECT_EQ(f.dxf->GetFill()->FgColor.Index, 11);  // bright green
  EXPECT_EQ(f.dxf->GetBorder()->Left.Style, wb::cbsThin);
}

TEST_F(FixtureModel, Validations) {
  const wb::TXc12DataValidations& dv = *sheet->DataValidations;
  ASSERT_EQ(dv.Count(), 3);
  const wb::TXc12DataValidation& choices = *dv.GetItem(0);
  EXPECT_EQ(choices.Sqref.GetAsText(), u"C2:C5");
  EXPECT_EQ(choices.type, 3);  // list
  EXPECT_EQ(choices.formula1, u"\"north,south,east\"");
  EXPECT_EQ(choices.formula2, u"");
  EXPECT_EQ(choices.errorStyle, 0);
  EXPECT_TRUE(choices.allowBlank && choices.showInputMessage && choices.showErrorMessage);
  EXPECT_FALSE(choices.showDropDown);
  EXPECT_EQ(choices.promptTitle, u"Pick one");
  EXPECT_EQ(choices.prompt, u"Choose a direction");
  EXPECT_EQ(choices.errorTitle, u"Wrong");
  EXPECT_EQ(choices.error, u"Only north, south or east");
  const wb::TXc12DataValidation& listed = *dv.GetItem(1);
  EXPECT_EQ(listed.Sqref.GetAsText(), u"D2:D5");
  EXPECT_EQ(listed.formula1, u"$H$1:$H$3");
  EXPECT_EQ(listed.errorStyle, 1);  // warning
  EXPECT_FALSE(listed.allowBlank || listed.showInputMessage);
  EXPECT_TRUE(listed.promptTitle.empty() && listed.prompt.empty());
  EXPECT_EQ(listed.errorTitle, u"Not listed");
  const wb::TXc12DataValidation& count = *dv.GetItem(2);
  EXPECT_EQ(count.type, 1);      // whole
  EXPECT_EQ(count.Operator, 0);  // between
  EXPECT_EQ(count.errorStyle, 2);
  EXPECT_EQ(count.formula1, u"1");
  EXPECT_EQ(count.formula2, u"100");  // the second formula, not the first
  EXPECT_EQ(count.prompt, u"1 to 100");
}

TEST_F(FixtureModel, AutoFilter) {
  const wb::TXc12AutoFilter& af = *sheet->AutoFilter;
  EXPECT_EQ(af.Ref, wb::CellAreaFromBox(0, 0, 2, 4));
  EXPECT_TRUE(sheet->SheetPr.filterMode);
  ASSERT_EQ(af.Columns.Count(), 2);
  const wb::TXc12FilterColumn& a = *af.Columns.GetItem(0);
  EXPECT_EQ(a.colId, 0);
  EXPECT_TRUE(a.CustomFilters.InUse);
  EXPECT_TRUE(a.CustomFilters.And);
  EXPECT_EQ(a.CustomFilters.Filter1.Operator, 5);  // greaterThan
  EXPECT_EQ(a.CustomFilters.Filter1.val, u"Al");
  EXPECT_EQ(a.CustomFilters.Filter2.Operator, 1);  // lessThan
  EXPECT_EQ(a.CustomFilters.Filter2.val, u"Zed");
  const wb::TXc12FilterColumn& c = *af.Columns.GetItem(1);
  EXPECT_EQ(c.colId, 2);
  EXPECT_FALSE(c.CustomFilters.InUse);
  EXPECT_EQ(c.Filters.Values, std::vector<std::u16string>({u"north"}));
}

// ---------------------------------------------------------------------------------------------
// Saving

// The rule records of a file grouped by kind: autofilter, conditional formats, validations.
std::vector<std::vector<Record>> Groups(const core::Bytes& File) {
  std::vector<std::vector<Record>> g(3);
  for (Record& r : RuleRecords(File)) {
    const int k = r.Id == BIFFRECID_CONDFMT || r.Id == BIFFRECID_CF ? 1 : r.Id == BIFFRECID_DVAL || r.Id == BIFFRECID_DV ? 2 : 0;
    g[static_cast<std::size_t>(k)].push_back(std::move(r));
  }
  return g;
}

void ExpectSameRecords(const std::vector<Record>& A, const std::vector<Record>& B) {
  ASSERT_EQ(A.size(), B.size());
  for (std::size_t i = 0; i < A.size(); ++i) {
    EXPECT_EQ(A[i].Id, B[i].Id) << i;
    EXPECT_EQ(A[i].Body, B[i].Body) << i;
  }
}

TEST_F(FixtureModel, UnchangedRulesAreWrittenAsRead) {
  const auto in = Groups(file);
  const auto out = Groups(b.Write());
  for (int k = 0; k < 3; ++k) {
    SCOPED_TRACE(k);
    ExpectSameRecords(in[static_cast<std::size_t>(k)], out[static_cast<std::size_t>(k)]);
  }
}

TEST_F(FixtureModel, ChangedItemsAreBuiltFromTheModel) {
  sheet->DataValidations->GetItem(0)->prompt = u"Choose one of three";
  sheet->ConditionalFormats->GetItem(1)->Rules.GetItem(0)->SetFormula(0, u"$B2>=41");
  sheet->AutoFilter->Columns.GetItem(1)->Filters.Values = {u"south"};
  const core::Bytes written = b.Write();
  const auto in = Groups(file);
  const auto out = Groups(written);
  // The untouched validations and the first conditional format stay byte for byte.
  ASSERT_EQ(out[2].size(), 4u);
  EXPECT_NE(out[2][1].Body, in[2][1].Body);
  EXPECT_EQ(out[2][2].Body, in[2][2].Body);
  EXPECT_EQ(out[2][3].Body, in[2][3].Body);
  ASSERT_EQ(out[1].size(), 5u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(out[1][static_cast<std::size_t>(i)].Body, in[1][static_cast<std::size_t>(i)].Body);
  // The formula rule rebuilt from its text: relative references as offsets from A2, as written by
  // the program that made the fixture.
  const std::vector<std::uint8_t>& cf = out[1][4].Body;
  EXPECT_EQ(std::vector<std::uint8_t>(cf.end() - 9, cf.end()), Hex("4c 00 00 01 80 1e 29 00 0c"));
  Book r(true);
  ReadInto(r, written);
  const wb::TXc12DataWorksheet& s = *r.m.Worksheets->GetItem(0);
  EXPECT_EQ(s.DataValidations->GetItem(0)->prompt, u"Choose one of three");
  EXPECT_EQ(s.DataValidations->GetItem(0)->formula1, u"\"north,south,east\"");
  EXPECT_EQ(s.ConditionalFormats->GetItem(1)->Rules.GetItem(0)->Formulas[0], u"$B2>=41");
  EXPECT_EQ(s.ConditionalFormats->GetItem(1)->Rules.GetItem(0)->dxf->GetFont()->GetUnderline(), wb::xulSingle);
  EXPECT_EQ(s.AutoFilter->Columns.GetItem(1)->Filters.Values, std::vector<std::u16string>({u"south"}));
  EXPECT_EQ(s.AutoFilter->Ref, wb::CellAreaFromBox(0, 0, 2, 4));
}

TEST_F(FixtureModel, FormulasThatDoNotCompileAreReported) {
  sheet->DataValidations->GetItem(2)->formula1 = u"1+";
  sheet->ConditionalFormats->GetItem(0)->Rules.GetItem(0)->SetFormula(0, u"SUM(");
  // Raised by the error manager when it does not collect errors.
  EXPECT_THROW(b.Write(), std::exception);
  b.errors.SetSaveToList(true);
  const core::Bytes written = b.Write();
  ASSERT_EQ(b.errors.Messages().size(), 2u);
  for (const wb::TXLSErrorMessage& m : b.errors.Messages()) EXPECT_EQ(m.Code, 4006);
  // The two rules are left out; the others are written, the second rule of the first format too.
  const auto out = Groups(written);
  EXPECT_EQ(Find(out[2], BIFFRECID_DV).size(), 2u);
  EXPECT_EQ(core::load_le32(Find(out[2], BIFFRECID_DVAL)[0]->Body.data() + 14), 2u);
  EXPECT_EQ(Find(out[1], BIFFRECID_CF).size(), 2u);
}

// ---------------------------------------------------------------------------------------------
// Rules built through the worksheet interface

TEST(BuiltRules, WrittenAndReadBack) {
  Book b;
  wb::TXLSWorksheet* s = b.Sheet(0);
  for (int r = 0; r < 4; ++r) {
    s->SetAsFloat(0, r, r * 10);
    s->SetAsString(1, r, u"a");
  }
  wb::TXc12ConditionalFormatting* cf = s->GetConditionalFormats()->Add();
  cf->Sqref.Add(0, 0, 0, 3);
  wb::TXc12CfRule* rule = cf->Rules.Add();
  rule->type = 1;
  rule->Operator = 4;  // greaterThanOrEqual
  rule->SetFormula(0, u"20");
  rule->dxf = b.m.StyleSheet->DXFs->Add();
  wb::TXc12Fill* fill = rule->dxf->AddFill();
  fill->SetPatternType(wb::efpSolid);
  wb::SetXc12ColorRGB(0xFF0000, fill->BgColor);  // a differential fill names its colour as background
  wb::TXc12CfRule* expr = cf->Rules.Add();
  expr->type = 0;
  expr->SetFormula(0, u"A1=B1");
  expr->dxf = b.m.StyleSheet->DXFs->Add();
  wb::TXc12Font* font = expr->dxf->AddFont();
  font->SetStyle(wb::FontStyleBit(wb::xfsBold));
  wb::TXc12DataValidation* dv = s->GetDataValidations()->Add();
  dv->Sqref.Add(1, 0, 1, 3);
  dv->type = 3;
  dv->formula1 = u"\"a,b,c\"";
  dv->showInputMessage = true;
  dv->promptTitle = u"选择";
  dv->prompt = u"a, b or c";
  s->GetAutofilter()->Ref = wb::CellAreaFromBox(0, 0, 1, 3);
  wb::TXc12FilterColumn* col = s->GetAutofilter()->Columns.Add();
  col->colId = 1;
  col->Filters.Values = {u"a"};

  const core::Bytes file = b.Write();
  const auto g = Groups(file);
  const auto cfs = Find(g[1], BIFFRECID_CF);
  ASSERT_EQ(cfs.size(), 2u);
  // The solid fill's colour is the pattern's fore colour (bits 7-13), red is palette index 10.
  const std::vector<std::uint8_t>& hot = cfs[0]->Body;
  EXPECT_EQ(hot[0], 1);
  EXPECT_EQ(hot[1], coGreateEqual);
  EXPECT_EQ(core::load_le32(hot.data() + 6) & (CF_HAS_FONT | CF_HAS_PATTERN), CF_HAS_PATTERN);
  EXPECT_EQ(core::load_le16(hot.data() + 14), 10 << 7);
  // A1=B1 on A1:A4: both references relative to A1.
  const std::vector<std::uint8_t>& e = cfs[1]->Body;
  EXPECT_EQ(std::vector<std::uint8_t>(e.end() - 11, e.end()), Hex("4c 00 00 00 c0 4c 00 00 01 c0 0b"));
  const auto dvs = Find(g[2], BIFFRECID_DV);
  ASSERT_EQ(dvs.size(), 1u);
  EXPECT_EQ(core::load_le32(dvs[0]->Body.data()) & 0x8F, 0x83u);  // a list of choices
  ASSERT_EQ(Find(g[0], BIFFRECID_AUTOFILTERINFO).size(), 1u);
  EXPECT_EQ(Find(g[0], BIFFRECID_AUTOFILTERINFO)[0]->Body, std::vector<std::uint8_t>({2, 0}));
  const wb::TXc12DefinedName* name = FindFilterDatabase(*b.m.Workbook->DefinedNames, 0);
  ASSERT_NE(name, nullptr);
  EXPECT_TRUE(name->Hidden);

  Book r(true);
  ReadInto(r, file);
  const wb::TXc12DataWorksheet& rs = *r.m.Worksheets->GetItem(0);
  ASSERT_EQ(rs.ConditionalFormats->Count(), 1);
  const wb::TXc12ConditionalFormatting& rcf = *rs.ConditionalFormats->GetItem(0);
  ASSERT_EQ(rcf.Rules.Count(), 2);
  EXPECT_EQ(rcf.Rules.GetItem(0)->Operator, 4);
  EXPECT_EQ(rcf.Rules.GetItem(0)->dxf->GetFill()->FgColor.Index, 10);
  EXPECT_EQ(rcf.Rules.GetItem(1)->Formulas[0], u"A1=B1");
  EXPECT_EQ(rcf.Rules.GetItem(1)->dxf->GetFont()->GetStyle(), wb::FontStyleBit(wb::xfsBold));
  ASSERT_EQ(rs.DataValidations->Count(), 1);
  EXPECT_EQ(rs.DataValidations->GetItem(0)->formula1, u"\"a,b,c\"");
  EXPECT_EQ(rs.DataValidations->GetItem(0)->promptTitle, u"选择");
  EXPECT_EQ(rs.AutoFilter->Ref, wb::CellAreaFromBox(0, 0, 1, 3));
  ASSERT_EQ(rs.AutoFilter->Columns.Count(), 1);
  EXPECT_EQ(rs.AutoFilter->Columns.GetItem(0)->colId, 1);
  EXPECT_EQ(rs.AutoFilter->Columns.GetItem(0)->Filters.Values, std::vector<std::u16string>({u"a"}));
  // Saved once more, the name is found again instead of added twice.
  r.Write();
  EXPECT_EQ(r.m.Workbook->DefinedNames->Count(), 1);
}

// A workbook's own palette holds for the colours of its conditional formats both ways: an RGB
// colour is written as the index of its own entry, and an index read gets that entry's colour.
TEST(BuiltRules, ColoursUseTheWorkbookPalette) {
  Book b;
  constexpr std::uint32_t kRGB = 0x123456;     // far from every default entry
  constexpr std::uint32_t kEntry = 0x563412;   // the same colour as palettes hold it (blue first)
  b.m.StyleSheet->Palette[20] = kEntry;
  wb::TXLSWorksheet* s = b.Sheet(0);
  s->SetAsFloat(0, 0, 1);
  wb::TXc12ConditionalFormatting* cf = s->GetConditionalFormats()->Add();
  cf->Sqref.Add(0, 0, 0, 0);
  wb::TXc12CfRule* rule = cf->Rules.Add();
  rule->type = 0;
  rule->SetFormula(0, u"A1>0");
  rule->dxf = b.m.StyleSheet->DXFs->Add();
  wb::TXc12Fill* fill = rule->dxf->AddFill();
  fill->SetPatternType(wb::efpSolid);
  wb::SetXc12ColorRGB(static_cast<std::int32_t>(kRGB), fill->FgColor);
  wb::TXc12Color color;
  wb::SetXc12ColorRGB(static_cast<std::int32_t>(kRGB), color);
  rule->dxf->AddFont()->SetColor(color);

  const core::Bytes file = b.Write();
  const auto cfs = Find(Groups(file)[1], BIFFRECID_CF);
  ASSERT_EQ(cfs.size(), 1u);

  Book r(true);
  ReadInto(r, file);
  const wb::TXc12DXF& dxf = *r.m.Worksheets->GetItem(0)->ConditionalFormats->GetItem(0)->Rules.GetItem(0)->dxf;
  EXPECT_EQ(dxf.GetFill()->FgColor.Index, 20);
  EXPECT_EQ(dxf.GetFill()->FgColor.ARGB, kEntry);
  EXPECT_EQ(dxf.GetFont()->GetColor().Index, 20);
  EXPECT_EQ(dxf.GetFont()->GetColor().ARGB, kEntry);
}

// A workbook stream of one sheet "Rules" holding Sheet (records with their headers); the globals
// hold the sheet's filter-database name, $A$1:$C$5.
core::Bytes SheetWorkbook(const std::vector<std::uint8_t>& Sheet) {
  core::ByteWriter w;
  auto record = [&w](std::uint16_t Id, const std::vector<std::uint8_t>& Body) {
    w.u16le(Id);
    w.u16le(static_cast<std::uint16_t>(Body.size()));
    w.bytes(Body.data(), Body.size());
  };
  std::vector<std::uint8_t> bof = Hex("00 06 05 00 bb 0d cc 07 00 00 00 00 06 00 00 00");
  record(0x0809, bof);
  record(0x0018, Hex("21 00 00 01 0b 00 00 00 01 00 00 00 00 00 00 0d 3b 00 00 00 00 04 00 00 00 02 00"));
  record(0x0085, Hex("00 00 00 00 00 00 05 01 52 00 75 00 6c 00 65 00 73 00"));
  record(0x000A, {});
  bof[2] = 0x10;
  record(0x0809, bof);
  w.bytes(Sheet.data(), Sheet.size());
  record(0x000A, {});
  platform::storage::CompoundFile cf;
  cf.root().create_stream(u"Workbook").data = w.data();
  return cf.serialize();
}

TEST(ReadRules, BrokenAndPartialGroups) {
  struct Case {
    const char* Sheet;
    const char* Error;  // empty: the read succeeds
  };
  const Case cases[] = {
      // CONDFMT announcing one CF, followed by a DV: the format is left out, the sheet read (a
      // producer writes CONDFMT with empty placeholder records in place of rules it cannot store).
      {"b0 01 16 00 01 00 01 00 00 00 00 00 00 00 00 00 01 00 00 00 00 00 00 00 00 00  be 01 00 00", ""},
      {"b0 01 16 00 02 00 01 00 00 00 00 00 00 00 00 00 01 00 00 00 00 00 00 00 00 00  ff ff 00 00  ff ff 00 00", ""},
      // DVAL announcing one DV, followed by nothing of the kind.
      {"b2 01 12 00 00 00 00 00 00 00 00 00 00 00 ff ff ff ff 01 00 00 00", "Excpected record missing: DV"},
      // Stray conditions, validations and filters, without the records that introduce them.
      {"b1 01 03 00 01 00 00  be 01 02 00 00 00  9e 00 01 00 00", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Sheet);
    const core::Bytes file = SheetWorkbook(Hex(c.Sheet));
    Book b(true);
    if (*c.Error) {
      try {
        ReadInto(b, file);
        ADD_FAILURE() << "read";
      } catch (const Exception& e) {
        EXPECT_NE(std::string(e.what()).find(c.Error), std::string::npos) << e.what();
      }
    } else {
      ASSERT_NO_THROW(ReadInto(b, file));
      EXPECT_TRUE(RuleRecords(b.Write()).empty());
    }
  }
}

TEST(ReadRules, FormulaThatDoesNotDecodeStaysAsRead) {
  // A formula rule on A1 whose formula names a defined name the file does not have.
  const std::vector<std::uint8_t> sheet = Hex(
      "b0 01 16 00 01 00 01 00 00 00 00 00 00 00 00 00 01 00 00 00 00 00 00 00 00 00"
      "b1 01 15 00 02 00 05 00 00 00 ff ff 38 20 00 00 00 04 00 01 43 05 00 00 00");
  const core::Bytes file = SheetWorkbook(sheet);
  Book b(true);
  b.errors.SetSaveToList(true);
  ReadInto(b, file);
  EXPECT_EQ(b.errors.GetWarningCount(), 1);
  const wb::TXc12ConditionalFormattings& cf = *b.m.Worksheets->GetItem(0)->ConditionalFormats;
  ASSERT_EQ(cf.Count(), 1);
  EXPECT_TRUE(cf.GetItem(0)->Rules.GetItem(0)->Formulas[0].empty());
  const auto in = RuleRecords(file);
  const auto out = RuleRecords(b.Write());
  ASSERT_EQ(in.size(), out.size());
  for (std::size_t i = 0; i < in.size(); ++i) EXPECT_EQ(in[i].Body, out[i].Body);
}

TEST(ReadRules, AutoFilterRangeFollowsTheModel) {
  // The filter-database name without AUTOFILTERINFO belongs to an advanced filter: no autofilter
  // in the model, and FILTERMODE written back as read.
  {
    Book b(true);
    ReadInto(b, SheetWorkbook(Hex("9b 00 00 00")));
    EXPECT_FALSE(wb::CellAreaAssigned(b.m.Worksheets->GetItem(0)->AutoFilter->Ref));
    const auto out = RuleRecords(b.Write());
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].Id, BIFFRECID_FILTERMODE);
  }
  // An autofilter moved in the model: its name follows, and so does the range read back.
  Book b(true);
  ReadInto(b, Load("rules.xls"));
  b.m.Worksheets->GetItem(0)->AutoFilter->Ref = wb::CellAreaFromBox(0, 0, 2, 9);
  const core::Bytes file = b.Write();
  ASSERT_EQ(b.m.Workbook->DefinedNames->Count(), 1);
  Book r(true);
  ReadInto(r, file);
  EXPECT_EQ(r.m.Worksheets->GetItem(0)->AutoFilter->Ref, wb::CellAreaFromBox(0, 0, 2, 9));
  EXPECT_EQ(r.m.Worksheets->GetItem(0)->AutoFilter->Columns.Count(), 2);
}

TEST(RelativeTokens, ReferencesBecomeOffsets) {
  struct Case {
    const char* In;
    int BaseRow, BaseCol;
    const char* Out;
  };
  const Case cases[] = {
      {"44 01 00 01 c0", 1, 0, "4c 00 00 01 c0"},                  // B2 from A2
      {"44 01 00 01 80", 3, 0, "4c fe ff 01 80"},                  // $B2 from A4: two rows up
      {"44 01 00 01 00", 3, 0, "44 01 00 01 00"},                  // $B$2 stays
      {"25 00 00 02 00 00 c0 01 c0", 2, 3, "2d fe ff 00 00 fd c0 fe c0"},  // A1:B3 from D3
      {"17 02 00 41 42 44 00 00 00 c0", 0, 0, "17 02 00 41 42 4c 00 00 00 c0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.In);
    std::vector<std::uint8_t> t = Hex(c.In);
    BIFFMakeRelativePtgs(t.data(), static_cast<int>(t.size()), c.BaseRow, c.BaseCol);
    EXPECT_EQ(t, Hex(c.Out));
    // And back through the relocation of shared formulas.
    BIFFRelocatePtgs(1, t.data(), static_cast<int>(t.size()), c.BaseRow, c.BaseCol);
    EXPECT_EQ(t, Hex(c.In));
  }
  std::vector<std::uint8_t> bad = Hex("44 01");
  EXPECT_THROW(BIFFMakeRelativePtgs(bad.data(), 2, 0, 0), Exception);
}

}  // namespace
}  // namespace biff::testing
