// Counting stand-ins for the shared-string table and the cell format editor, so that tests can
// compare the uses the cell store takes and gives back with the cells it holds.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "workbook/cell_store.h"

namespace workbook::testing_support {

class CountingStrings : public ICellStoreStrings {
public:
  int AddString(const std::u16string& Text) override {
    auto it = Index.find(Text);
    if (it != Index.end()) return it->second;
    int i = static_cast<int>(Texts.size());
    Texts.push_back(Text);
    Uses.push_back(0);
    Index[Text] = i;
    return i;
  }
  void UseString(int I) override {
    ASSERT_GE(I, 0);
    ASSERT_LT(I, static_cast<int>(Texts.size()));
    ++Uses[static_cast<std::size_t>(I)];
  }
  void ReleaseString(int I) override {
    ASSERT_GE(I, 0);
    ASSERT_LT(I, static_cast<int>(Texts.size()));
    EXPECT_GT(Uses[static_cast<std::size_t>(I)], 0) << "string " << I << " released below zero";
    --Uses[static_cast<std::size_t>(I)];
  }
  void GetText(int I, std::u16string& Text) override { Text = Texts.at(static_cast<std::size_t>(I)); }
  // Makes the table hold at least N entries, so that indexes above 65535 exist.
  void Grow(int N) {
    while (static_cast<int>(Texts.size()) < N) AddString(u"#" + std::u16string(1, u'a') + Num(Texts.size()));
  }
  int UsesOf(int I) const { return Uses.at(static_cast<std::size_t>(I)); }
  std::vector<std::u16string> Texts;
  std::vector<int> Uses;
  std::map<std::u16string, int> Index;

private:
  static std::u16string Num(std::size_t N) {
    std::u16string s;
    do {
      s.insert(s.begin(), static_cast<char16_t>(u'0' + N % 10));
      N /= 10;
    } while (N);
    return s;
  }
};

class CountingFormats : public ICellStoreFormats {
public:
  void UseXFIndex(int I) override { ++Uses[I]; }
  void UseDefaultXF() override { ++Uses[0]; }
  void ReleaseXF(int I) override {
    EXPECT_GT(Uses[I], 0) << "XF " << I << " released below zero";
    --Uses[I];
  }
  void DecXFRefs(int I) override { ReleaseXF(I); }
  int UsesOf(int I) const {
    auto it = Uses.find(I);
    return it == Uses.end() ? 0 : it->second;
  }
  // Uses that are not zero.
  std::map<int, int> Live() const {
    std::map<int, int> m;
    for (auto [k, v] : Uses)
      if (v) m[k] = v;
    return m;
  }
  std::map<int, int> Uses;
};

}  // namespace workbook::testing_support
