// Value arrays, cell sources, matrices and the locale layer.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "formula/evaluator/formula_value.h"
#include "formula/support/locale.h"
#include "formula/support/matrix.h"
#include "formula/support/value_arrays.h"
#include "formula/tests/fake_workbook.h"
#include "workbook/exceptions.h"

namespace formula {
namespace {

TEST(ValueArrays, ShapesFromValues) {
  TXLSFormulaValue v;
  v.Kind = fvkArea;
  v.Col1 = 1, v.Row1 = 1, v.Col2 = 3, v.Row2 = 2;  // B2:D3
  auto a = TXLSArrayItem::CreateFromValue(v);
  EXPECT_EQ(a->ColCount(), 3);
  EXPECT_EQ(a->RowCount(), 2);
  v.Kind = fvkCell;
  EXPECT_EQ(TXLSArrayItem::CreateFromValue(v)->ColCount(), 1);
  v.Kind = fvkAreaList;
  EXPECT_THROW(TXLSArrayItem::CreateFromValue(v), workbook::Exception);
  EXPECT_EQ(TXLSArrayItem(0, 5).RowCount(), 0);
}

TEST(ValueArrays, CopyRepeatAndIndexes) {
  TXLSArrayItem src(3, 3), dst(2, 4);
  for (int c = 0; c < 3; ++c)
    for (int r = 0; r < 3; ++r) src.SetFloat(c, r, c * 10 + r);
  dst.SetFloat(1, 3, -1);
  dst.CopyFrom(src);
  EXPECT_EQ(dst.GetFloat(1, 2), 12);
  EXPECT_EQ(dst.GetFloat(1, 3), -1);  // outside the overlap: untouched
  TXLSArrayItem col(1, 3);
  col.SetFloat(0, 1, 7);
  EXPECT_THROW(col.GetItem(5, 1), workbook::Exception);
  col.Repeat = true;
  EXPECT_EQ(col.GetFloat(5, 1), 7);  // column 5 of a one-column array reads column 0
  EXPECT_THROW(col.GetItem(0, 3), workbook::Exception);
  col.ClearAll();
  EXPECT_EQ(col.GetItem(0, 1).Empty, 1);
  col.SetString(0, 1, u"s");
  EXPECT_EQ(col.GetItem(0, 1).Empty, 0);
  TXLSFormulaValue f;
  f.SetError(errNum);
  EXPECT_TRUE(col.SetFromFormulaValue(0, 0, f));
  EXPECT_EQ(col.GetError(0, 0), errNum);
  f.SetEmpty();
  EXPECT_FALSE(col.SetFromFormulaValue(0, 2, f));
}

TEST(CellsSource, WalksAreasAndArrays) {
  testing::FakeWorkbook wb;
  wb.Num("A1", 1);
  wb.Num("B1", 2);
  wb.Str("A2", u"x");
  wb.Err("B2", errDiv0);
  auto src = TXLSCellsSource::CreateFromArea(&wb.Sheet(), 0, 0, 1, 1);
  std::vector<std::string> seen;
  while (src->Next()) {
    const double v = src->Current();
    seen.push_back(std::to_string(static_cast<int>(v)) + (src->NotNumber ? "n" : "") +
                   (src->ErrorCode ? "e" + std::to_string(src->ErrorCode) : ""));
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"1", "2", "0n", "0e2"}));
  EXPECT_FALSE(src->Next());
  TXLSArrayItem arr(4, 1);
  arr.SetFloat(0, 0, 1);
  arr.SetString(1, 0, u"t");
  arr.SetBoolean(2, 0, true);
  arr.SetError(3, 0, errDiv0);
  auto asrc = TXLSCellsSource::CreateFromArray(&arr);
  seen.clear();
  while (asrc->Next()) {
    const double v = asrc->Current();
    seen.push_back(std::to_string(static_cast<int>(v)) + (asrc->NotNumber ? "n" : "") +
                   (asrc->ErrorCode ? "e" + std::to_string(asrc->ErrorCode) : ""));
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"1", "0n", "0n", "0e2"}));
  EXPECT_EQ(asrc->ColCount(), 4);
  EXPECT_EQ(asrc->RowCount(), 1);
}

std::unique_ptr<TXLSMatrix> M(int rows, int cols, std::vector<double> v) {
  auto m = std::make_unique<TXLSMatrix>(rows, cols);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) m->Put(r, c, v[static_cast<std::size_t>(r * cols + c)]);
  return m;
}

TEST(Matrix, DeterminantsAndInverses) {
  double d = 0;
  EXPECT_TRUE(M(2, 2, {1, 2, 3, 4})->Determinant(d));
  EXPECT_EQ(d, -2);
  auto singular = M(3, 3, {2, 0, 1, 1, 3, 2, 1, 1, 1});
  EXPECT_TRUE(singular->Determinant(d));
  EXPECT_NEAR(d, 0, 1e-12);
  EXPECT_EQ(singular->Inverse(), nullptr);
  EXPECT_EQ(M(3, 3, {1, 2, 3, 2, 4, 6, 7, 8, 9})->Inverse(), nullptr);  // rows dependent: exact zero pivot
  d = 99;
  EXPECT_FALSE(M(2, 3, {1, 2, 3, 4, 5, 6})->Determinant(d));
  EXPECT_EQ(d, 99);
  EXPECT_EQ(M(2, 3, {1, 2, 3, 4, 5, 6})->Inverse(), nullptr);
  auto inv = M(3, 3, {0, 1, 0, 1, 0, 0, 0, 0, 2})->Inverse();
  ASSERT_NE(inv, nullptr);
  const double want[] = {0, 1, 0, 1, 0, 0, 0, 0, 0.5};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(inv->Get(i / 3, i % 3), want[i]);
  EXPECT_EQ(M(1, 1, {4})->Inverse()->Get(0, 0), 0.25);
  auto d2 = M(2, 2, {2, 0, 0, 4})->Inverse();
  EXPECT_EQ(d2->Get(0, 0), 0.5);
  EXPECT_EQ(d2->Get(1, 1), 0.25);
  EXPECT_EQ(d2->Get(0, 1), 0);
  EXPECT_EQ(M(1, 1, {0})->Inverse(), nullptr);
}

TEST(Matrix, LargeMatricesAreFastAndAccurate) {
  // A 60 x 60 system: the cofactor expansion would never finish; LU takes microseconds.
  std::mt19937 rng(5);
  const int n = 60;
  TXLSMatrix a(n, n);
  for (int r = 0; r < n; ++r)
    for (int c = 0; c < n; ++c) a.Put(r, c, static_cast<double>(rng() % 200) / 10.0 - 10 + (r == c ? 50 : 0));
  auto inv = a.Inverse();
  ASSERT_NE(inv, nullptr);
  auto id = a.Multiply(*inv);
  for (int r = 0; r < n; ++r)
    for (int c = 0; c < n; ++c) EXPECT_NEAR(id->Get(r, c), r == c ? 1.0 : 0.0, 1e-9);
  // det(A) det(A^-1) = 1; the determinant of a triangular matrix is its diagonal product.
  double da = 0, di = 0;
  a.Determinant(da);
  inv->Determinant(di);
  EXPECT_NEAR(da * di, 1.0, 1e-9);
  auto t = M(4, 4, {2, 1, 1, 1, 0, 3, 1, 1, 0, 0, 4, 1, 0, 0, 0, 5});
  t->Determinant(da);
  EXPECT_DOUBLE_EQ(da, 120);
  auto swap = M(3, 3, {0, 0, 1, 0, 1, 0, 1, 0, 0});
  swap->Determinant(da);
  EXPECT_EQ(da, -1);
}

TEST(Matrix, ProductAndElementOperations) {
  auto p = M(2, 3, {1, 2, 3, 4, 5, 6})->Multiply(*M(3, 1, {1, 0, -1}));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->Rows(), 2);
  EXPECT_EQ(p->Cols(), 1);
  EXPECT_EQ(p->Get(0, 0), -2);
  EXPECT_EQ(p->Get(1, 0), -2);
  EXPECT_EQ(M(2, 3, {1, 2, 3, 4, 5, 6})->Multiply(*M(2, 3, {1, 2, 3, 4, 5, 6})), nullptr);
  auto m = M(2, 3, {1, 2, 3, 4, 5, 6});
  auto minor = m->Minor(0, 1);
  EXPECT_EQ(minor->Rows(), 1);
  EXPECT_EQ(minor->Get(0, 0), 4);
  EXPECT_EQ(minor->Get(0, 1), 6);
  EXPECT_EQ(m->Minor(2, 0), nullptr);
  m->Swap(0, 0, 2, 1);
  EXPECT_EQ(m->Get(0, 0), 6);
  m->SetIdentity();
  EXPECT_EQ(m->Get(1, 1), 1);
  EXPECT_EQ(m->Get(1, 2), 0);
  m->Scale(3);
  EXPECT_EQ(TXLSMatrix::CreateCopy(*m)->Get(0, 0), 3);
}

TEST(Locale, NumberText) {
  const TFormulaLocale& inv = TFormulaLocale::Invariant();
  const TFormulaLocale comma = TFormulaLocale::CommaDecimal();
  struct Case {
    double V;
    const char16_t* Text;
  } cases[] = {{1.0 / 3, u"0.333333333333333"}, {1e20, u"1E+20"}, {1e-20, u"1E-20"}, {-1.5e-7, u"-0.00000015"},
               {0.000001, u"0.000001"}, {1e-10, u"0.0000000001"}, {-1.5e-11, u"-1.5E-11"},
               {1.5e20, u"1.5E+20"}, {-1.5e-20, u"-1.5E-20"}, {1e300, u"1E+300"}, {1e-300, u"1E-300"},
               {0.00001, u"0.00001"}, {123456789012345.0, u"123456789012345"}, {1e15, u"1E+15"}, {0, u"0"},
               {-2.5, u"-2.5"}, {0.1 + 0.2, u"0.3"}, {100, u"100"}, {1234.5678, u"1234.5678"}};
  for (const auto& c : cases) EXPECT_EQ(FloatToText15(c.V, inv), c.Text);
  EXPECT_EQ(FloatToText15(-2.5, comma), u"-2,5");
}

TEST(Locale, ParsingNumbersAndDates) {
  const TFormulaLocale& inv = TFormulaLocale::Invariant();
  const TFormulaLocale comma = TFormulaLocale::CommaDecimal();
  struct Case {
    const char16_t* Text;
    bool Ok;
    double V;
  } numbers[] = {{u"1.5", true, 1.5}, {u" -2e3 ", true, -2000}, {u".5", true, 0.5}, {u"5.", true, 5},
                 {u"1e", false, 0},  {u"abc", false, 0},      {u"1,5", false, 0}, {u"", false, 0},
                 {u"1e999", false, 0}, {u"+3", true, 3},      {u"1.2.3", false, 0}};
  for (const auto& c : numbers) {
    double v = 0;
    EXPECT_EQ(TextToFloat(c.Text, inv, v), c.Ok) << std::u16string(c.Text).size();
    if (c.Ok) {
      EXPECT_EQ(v, c.V);
    }
  }
  double v = 0;
  EXPECT_TRUE(TextToFloat(u"1,5", comma, v));
  EXPECT_EQ(v, 1.5);
  Case dates[] = {{u"1/1/2020", true, 43831},  {u"2020-01-02", true, 43832}, {u"12:00", true, 0.5},
                  {u"6:00 PM", true, 0.75},    {u"12:00 AM", true, 0},       {u"1/1/2020 06:00", true, 43831.25},
                  {u"2/30/2020", false, 0},    {u"13:61", false, 0},         {u"1/1", false, 0},
                  {u"3/1/1900", true, 61},     {u"1/2/99", true, 36162},     {u"x", false, 0}};
  for (const auto& c : dates) {
    v = -1;
    EXPECT_EQ(TextToDateTime(c.Text, inv, v), c.Ok) << std::u16string(c.Text).size();
    if (c.Ok) {
      EXPECT_DOUBLE_EQ(v, c.V);
    }
  }
  EXPECT_TRUE(TextToDateTime(u"2.1.2020", comma, v));
  EXPECT_EQ(v, 43832);
}

TEST(Locale, SerialCalendarRoundTrips) {
  int y, m, d;
  DecodeSerialDate(1, y, m, d);
  EXPECT_EQ(d, 31);
  EXPECT_EQ(m, 12);
  EXPECT_EQ(y, 1899);
  for (double s = 1; s <= MAX_SERIAL_DATE; s += 97) {
    DecodeSerialDate(s, y, m, d);
    double back = 0;
    ASSERT_TRUE(EncodeSerialDate(y, m, d, back));
    ASSERT_EQ(back, s);
  }
  double s = 0;
  EXPECT_TRUE(EncodeSerialDate(9999, 12, 31, s));
  EXPECT_EQ(s, MAX_SERIAL_DATE);
  EXPECT_FALSE(EncodeSerialDate(1900, 2, 29, s));
  EXPECT_FALSE(EncodeSerialDate(2021, 13, 1, s));
  EXPECT_EQ(CompareTextAsciiI(u"abc", u"ABD"), -1);
  EXPECT_EQ(CompareTextAsciiI(u"ab", u"AB"), 0);
  EXPECT_EQ(CompareTextAsciiI(u"\u00E9", u"\u00C9"), 1);  // only a-z fold
}

}  // namespace
}  // namespace formula
