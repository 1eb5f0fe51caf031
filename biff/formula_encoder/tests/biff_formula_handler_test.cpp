// The .xls formula handler over a real document: 3-D references create and reuse EXTERNSHEET
// entries, sheet deletion and insertion keep them in step, and tokens decode back to text.
#include <gtest/gtest.h>

#include <algorithm>

#include "biff/document/biff5_document.h"
#include "biff/formula_encoder/biff_formula_handler.h"
#include "biff/formula_encoder/tests/formula_text_generator.h"
#include "core/strings.h"
#include "core/unicode.h"

namespace biff {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string HexText(const Bytes& B) {
  std::string S;
  for (std::uint8_t V : B) S += core::format("%.2X ", V);
  return S;
}

struct TEntry {
  int SupBook, First, Last;
  bool operator==(const TEntry&) const = default;
};

// A new .xls document with SheetCount sheets (Sheet1, Sheet2, ...) wired to a handler the way the
// document wires its own.
class BiffFormulaHandler : public ::testing::Test {
protected:
  void MakeBook(int SheetCount) {
    for (int i = 1; i < SheetCount; ++i) Doc.Sheets().Add();
    Handler.OnSheetIndex = [this](const std::u16string& Name, int& Index, int& Count) {
      Doc.FindSheetIndex(Name, Index, Count);
    };
    Handler.OnSheetName = [this](std::uint8_t Kind, int Index, std::u16string& Text, int, int) {
      Doc.GetSheetName(Kind, Index, Text);
    };
  }
  void DeleteSheet(int Index) {
    Doc.Sheets().Delete(Index, false);
    Handler.SheetDeleted(Index);
  }
  std::vector<TEntry> Entries() {
    std::vector<TEntry> R;
    for (const TExtSheetEntry& E : Doc.ExternalNames().ExtSheets) R.push_back({E.SupBook, E.First, E.Last});
    return R;
  }
  std::string Decode(const Bytes& B) {
    std::u16string Text;
    Handler.DecodeFormula(B.data(), static_cast<int>(B.size()), Text);
    return core::utf16_to_utf8(Text);
  }
  int CompileError(const std::u16string& Text, std::string* Message = nullptr) {
    try {
      Handler.EncodeFormula(Text);
    } catch (const FormulaCompileError& E) {
      if (Message) *Message = E.what();
      return E.Code();
    }
    return 0;
  }

  TBIFF5 Doc;
  TFormulaHandler Handler{&Doc.ExternalNames()};
};

TEST_F(BiffFormulaHandler, SheetReferenceAddsOwnSupBookOnceAndReusesItsEntry) {
  MakeBook(2);
  EXPECT_EQ(HexText(Handler.EncodeFormula(u"Sheet2!A1")), "5A 00 00 00 00 00 C0 ");
  TExternalNames& X = Doc.ExternalNames();
  ASSERT_EQ(X.SupBooks.size(), 1u);
  EXPECT_TRUE(X.SupBooks[0]->IsSelf());
  EXPECT_EQ(X.SupBooks[0]->SheetCount, 2);
  EXPECT_EQ(Entries(), (std::vector<TEntry>{{0, 1, 1}}));

  EXPECT_EQ(HexText(Handler.EncodeFormula(u"sheet2!B1")), "5A 00 00 00 00 01 C0 ");
  EXPECT_EQ(Entries(), (std::vector<TEntry>{{0, 1, 1}}));
  EXPECT_EQ(X.SupBooks.size(), 1u);

  EXPECT_EQ(HexText(Handler.EncodeFormula(u"SUM(Sheet1!A1:A3)")), "3B 01 00 00 00 02 00 00 C0 00 C0 42 01 04 00 ");
  EXPECT_EQ(Entries(), (std::vector<TEntry>{{0, 1, 1}, {0, 0, 0}}));
}

TEST_F(BiffFormulaHandler, ChartSeriesRangeOfTheReport) {
  MakeBook(1);
  const Bytes B = Handler.EncodeFormula(u"Sheet1!$B$29:$B$40");
  EXPECT_EQ(HexText(B), "5B 00 00 1C 00 27 00 01 00 01 00 ");
  EXPECT_EQ(Decode(B), "Sheet1!$B$29:$B$40");
}

TEST_F(BiffFormulaHandler, UnknownSheetIsNoReference) {
  MakeBook(2);
  std::string Message;
  EXPECT_EQ(CompileError(u"NoSuchSheet!A1", &Message), 7);
  EXPECT_EQ(Message, "Error in formula NoSuchSheet!A1\rUnknown name NoSuchSheet");
  EXPECT_TRUE(Doc.ExternalNames().ExtSheets.empty());
}

TEST_F(BiffFormulaHandler, DecodesBackToTheText) {
  MakeBook(3);
  Doc.GetSheet(1)->SetName(u"My Sheet");
  Doc.GetSheet(2)->SetName(u"温度");
  Handler.InternalNames().Add(u"Rate");
  const char16_t* const Texts[] = {
      u"SUM(Sheet1!A1:B2)+'My Sheet'!C3",
      u"\"    温度平均值:\"&ROUND(AVERAGE(温度!B28:B32028),2)",
      u"Rate*2",
      u"IF(Sheet1!$A$1>0,Rate,-Sheet1!A1%)",
  };
  for (const char16_t* T : Texts) {
    const Bytes B = Handler.EncodeFormula(T);
    EXPECT_EQ(Decode(B), core::utf16_to_utf8(T)) << HexText(B);
  }
  EXPECT_EQ(HexText(Handler.EncodeFormula(u"rate")), "43 01 00 00 00 ");
  Doc.GetSheet(1)->SetName(u"It's");
  const Bytes B = Handler.EncodeFormula(u"'It''s'!A1");
  EXPECT_EQ(Decode(B), "'It''s'!A1");
}

TEST_F(BiffFormulaHandler, GeneratedFormulasWithSheetReferencesRoundTrip) {
  MakeBook(3);
  Doc.GetSheet(1)->SetName(u"My Sheet");
  Doc.GetSheet(2)->SetName(u"温度");
  TFormulaGenerator G(7, {u"Sheet1", u"'My Sheet'", u"温度"});
  int Checked = 0;
  for (int i = 0; i < 1500; ++i) {
    const std::u16string Text = G.Expr(3);
    Bytes B;
    try {
      B = Handler.EncodeFormula(Text, 0, 8224);
    } catch (const FormulaCompileError& Err) {
      EXPECT_EQ(Err.Code(), 17) << Err.what();  // IF(x), MIN() and the like
      continue;
    }
    ASSERT_EQ(Decode(B), core::utf16_to_utf8(Text)) << HexText(B);
    ++Checked;
  }
  EXPECT_GT(Checked, 800);
  // One entry per sheet however often each is referred to.
  std::vector<int> Sheets;
  for (const TEntry& E : Entries()) {
    EXPECT_EQ(E.SupBook, 0);
    EXPECT_EQ(E.First, E.Last);
    Sheets.push_back(E.First);
  }
  std::sort(Sheets.begin(), Sheets.end());
  EXPECT_EQ(Sheets, (std::vector<int>{0, 1, 2}));
}

TEST_F(BiffFormulaHandler, DeletedSheetDecodesAsRefError) {
  MakeBook(2);
  const Bytes B = Handler.EncodeFormula(u"Sheet2!A1");
  EXPECT_EQ(Decode(B), "Sheet2!A1");
  DeleteSheet(1);
  EXPECT_EQ(Decode(B), "#REF!!A1");
}

TEST_F(BiffFormulaHandler, SheetDeletionAndInsertionMoveTheEntries) {
  MakeBook(3);
  Handler.EncodeFormula(u"Sheet1!A1");
  Handler.EncodeFormula(u"Sheet2!A1");
  const Bytes Third = Handler.EncodeFormula(u"Sheet3!A1");
  EXPECT_EQ(Entries(), (std::vector<TEntry>{{0, 0, 0}, {0, 1, 1}, {0, 2, 2}}));
  DeleteSheet(0);
  EXPECT_EQ(Entries(), (std::vector<TEntry>{{0, 0xFFFF, 0xFFFF}, {0, 0, 0}, {0, 1, 1}}));
  EXPECT_EQ(Decode(Third), "Sheet3!A1");
  Handler.SheetInserted(1);
  EXPECT_EQ(Entries(), (std::vector<TEntry>{{0, 0xFFFF, 0xFFFF}, {0, 0, 0}, {0, 2, 2}}));
  // A new reference to a sheet gets its own entry, not the deleted sheet's one.
  EXPECT_EQ(HexText(Handler.EncodeFormula(u"Sheet2!A1")), "5A 01 00 00 00 00 C0 ");
}

TEST_F(BiffFormulaHandler, ReferencesIntoOtherWorkbooks) {
  MakeBook(1);
  const Bytes B = Handler.EncodeFormula(u"'C:\\dir\\[Book.xls]Data'!A1");
  EXPECT_EQ(HexText(B), "5A 00 00 00 00 00 C0 ");
  TExternalNames& X = Doc.ExternalNames();
  ASSERT_EQ(X.SupBooks.size(), 1u);
  EXPECT_EQ(core::utf16_to_utf8(X.SupBooks[0]->GetFilename()), "C:\\dir\\Book.xls");
  ASSERT_EQ(X.SupBooks[0]->Sheets.size(), 1u);
  EXPECT_EQ(Decode(B), "'C:\\dir\\[Book.xls]Data'!A1");

  // Another sheet of the same file joins its SUPBOOK with an entry of its own.
  const Bytes Other = Handler.EncodeFormula(u"'C:\\DIR\\[book.xls]Other'!B2:C3");
  EXPECT_EQ(HexText(Other), "5B 01 00 01 00 02 00 01 C0 02 C0 ");
  EXPECT_EQ(X.SupBooks.size(), 1u);
  EXPECT_EQ(X.SupBooks[0]->SheetCount, 2);
  EXPECT_EQ(Entries(), (std::vector<TEntry>{{0, 0, 0}, {0, 1, 1}}));
  EXPECT_EQ(Decode(Other), "'C:\\dir\\[Book.xls]Other'!B2:C3");
  EXPECT_EQ(HexText(Handler.EncodeFormula(u"'C:\\dir\\[Book.xls]Data'!C3")), "5A 00 00 02 00 02 C0 ");

  // A workbook name without a path is another file.
  EXPECT_EQ(HexText(Handler.EncodeFormula(u"[Book.xls]Data!A1")), "5A 02 00 00 00 00 C0 ");
  EXPECT_EQ(X.SupBooks.size(), 2u);
}

TEST_F(BiffFormulaHandler, ExternalNames) {
  MakeBook(1);
  TExternalNames& X = Doc.ExternalNames();
  auto Book = std::make_unique<TSupBook>();
  Book->EncodedName = std::u16string(u"C:\\dir") + u'\x03' + u"Book.xls";
  auto Name = std::make_unique<TExtNameName>();
  Name->Name = u"Rate";
  Book->Names.push_back(std::move(Name));
  X.SupBooks.push_back(std::move(Book));
  X.ExtSheets.push_back({0, 0xFFFE, 0xFFFE});
  EXPECT_EQ(HexText(Handler.EncodeFormula(u"'C:\\dir\\Book.xls'!rate")), "59 00 00 01 00 00 00 ");
  EXPECT_EQ(CompileError(u"'C:\\dir\\Book.xls'!Other"), 7);
}

TEST_F(BiffFormulaHandler, ClearEmptiesTheLists) {
  MakeBook(2);
  Handler.InternalNames().Add(u"Rate");
  Handler.EncodeFormula(u"Sheet2!A1+Rate");
  Handler.Clear();
  EXPECT_TRUE(Doc.ExternalNames().ExtSheets.empty());
  EXPECT_TRUE(Doc.ExternalNames().SupBooks.empty());
  EXPECT_EQ(CompileError(u"Rate"), 7);
}

TEST(BiffSheetNameText, QuotesOnlyWhereNeeded) {
  const struct {
    const char16_t* Name;
    const char* Text;
  } Cases[] = {{u"Sheet1", "Sheet1"},   {u"温度", "温度"},         {u"My Sheet", "'My Sheet'"},
               {u"It's", "'It''s'"},    {u"A1", "'A1'"},          {u"1st", "'1st'"},
               {u"a.b", "'a.b'"},       {u"TRUE", "'TRUE'"},      {u"Data_2", "Data_2"}};
  for (const auto& C : Cases) EXPECT_EQ(core::utf16_to_utf8(SheetNameText(C.Name)), C.Text);
}

}  // namespace
}  // namespace biff
