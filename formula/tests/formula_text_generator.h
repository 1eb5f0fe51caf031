// A generator of random formula texts over the names of formula_text_fakes.h: cells, areas, unions,
// intersections, 3-D, external and table references, constants, operators and calls, nested a few
// levels deep. Every text it makes compiles.
#pragma once

#include <algorithm>
#include <random>
#include <string>

#include "core/unicode.h"
#include "workbook/cell_references.h"

namespace formula::testing {

class Generator {
public:
  // Margin > 0 keeps every cell's column and row at least Margin away from the grid's edges, so
  // references moved by up to Margin either way stay on the grid.
  explicit Generator(unsigned Seed, int Margin = 0) : R_(Seed), Margin_(Margin) {}
  std::u16string Formula() { return Expr(0); }

private:
  int Pick(int N) { return static_cast<int>(R_() % static_cast<unsigned>(N)); }
  std::u16string Sp() { return Pick(6) == 0 ? u" " : u""; }
  std::u16string Cell() {
    std::u16string s;
    if (Pick(3) == 0) s += u"$";
    const int c = std::clamp(Pick(3) == 0 ? Pick(16384) : Pick(30), Margin_, workbook::XLS_MAXCOL - Margin_);
    s += core::utf8_to_utf16(ColName(c));
    if (Pick(3) == 0) s += u"$";
    const int r = std::clamp(Pick(3) == 0 ? Pick(1048576) : Pick(100), Margin_, workbook::XLS_MAXROW - Margin_);
    s += core::utf8_to_utf16(std::to_string(1 + r));
    return s;
  }
  static std::string ColName(int c) {
    std::string s;
    for (++c; c > 0; c = (c - 1) / 26) s.insert(s.begin(), static_cast<char>('A' + (c - 1) % 26));
    return s;
  }
  std::u16string Ref() {
    switch (Pick(10)) {
      case 0: return Cell() + u":" + Cell();
      case 5: return u"(" + Cell() + u"," + Ref() + u")";
      case 6: return Cell() + u":" + Cell() + u" " + Cell();
      case 7: {
        static const char16_t* tables[] = {u"Table1[Qty]", u"Table1[[#Headers],[Amount]]", u"Table1[[Item]:[Qty]]",
                                           u"Table1[]", u"Table1[[#Data],[#Totals]]"};
        return tables[Pick(5)];
      }
      case 1: return u"Sheet1!" + Cell();
      case 2: return u"'My Sheet'!" + Cell() + u":" + Cell();
      case 3: return u"[1]Sheet2!" + Cell();
      case 4: return u"Sheet1:Data2!" + Cell();
      default: return Cell();
    }
  }
  std::u16string Number() {
    switch (Pick(4)) {
      case 0: return core::utf8_to_utf16(std::to_string(Pick(1000)));
      case 1: return core::utf8_to_utf16(std::to_string(Pick(1000))) + u"." + core::utf8_to_utf16(std::to_string(1 + Pick(99)));
      case 2: return u"2147483648";
      default: return u"1E" + core::utf8_to_utf16(std::to_string(20 + Pick(200)));
    }
  }
  std::u16string Atom(int D) {
    switch (Pick(D > 3 ? 5 : 10)) {
      case 0: return Number();
      case 1: return Pick(2) ? u"TRUE" : u"FALSE";
      case 2: return u"\"t" + std::u16string(Pick(2) ? u"\"\"" : u"") + u"x\"";
      case 3: return Ref();
      case 4: return Pick(2) ? u"#N/A" : u"Rate";
      case 5: return u"(" + Expr(D + 1) + u")";
      case 6: return u"SUM(" + Args(D, 0) + u")";
      case 7: return u"ROUND(" + Expr(D + 1) + u"," + Expr(D + 1) + u")";
      case 8: return u"IF(" + Expr(D + 1) + u"," + (Pick(3) ? Expr(D + 1) : u"") + u"," + Expr(D + 1) + u")";
      default: return Pick(2) ? u"{1,2;-3,4}" : u"FOO(" + Args(D, 0) + u")";
    }
  }
  std::u16string Args(int D, int Min) {
    const int n = Min + Pick(4);
    std::u16string s;
    for (int i = 0; i < n; ++i) s += (i ? u"," : u"") + Sp() + Expr(D + 1);
    return s;
  }
  std::u16string Expr(int D) {
    static const char16_t* ops[] = {u"+", u"-", u"*", u"/", u"^", u"&", u"=", u"<>", u"<", u"<=", u">", u">="};
    std::u16string s;
    if (Pick(5) == 0) s += Pick(2) ? u"-" : u"+";
    s += Atom(D);
    if (Pick(8) == 0) s += u"%";
    const int n = D > 3 ? 0 : Pick(3);
    for (int i = 0; i < n; ++i) s += Sp() + ops[Pick(12)] + Sp() + Atom(D);
    return s;
  }
  std::mt19937 R_;
  int Margin_;
};

}  // namespace formula::testing
