// Fuzz target: token strings from outside (BIFF8 tokens from files, the library's byte code) are
// evaluated against a small sheet. Any input yields a value or raises one of the library's
// exceptions; nothing reads past the end and nothing recurses without bound.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "formula/evaluator/evaluator.h"
#include "formula/tests/fake_workbook.h"
#include "workbook/exceptions.h"

namespace {

// Name i is the input from its byte i on (name 0 the input itself), so names may refer to
// themselves and to chains of other names.
class SelfNames : public formula::IFormulaNames {
public:
  bool GetName(int Index, formula::TFormulaNameDef& Def) override {
    if (Index < 0 || Index >= Len) return false;
    Def.Kind = formula::TFormulaNameDef::nkFormula;
    Def.Ptgs = Data + Index;
    Def.Len = Len - Index;
    return true;
  }
  const std::uint8_t* Data = nullptr;
  int Len = 0;
};

class OneSheetExtern : public formula::IExternSheetResolver {
public:
  bool GetExtSheetTabs(int Index, int& First, int& Last) const override {
    First = Last = Index == 0 ? 0 : (Index == 1 ? 0xFFFE : -1);
    return Index <= 1;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static formula::testing::FakeWorkbook* wb = [] {
    auto* w = new formula::testing::FakeWorkbook(1);
    w->Num("A1", 1);
    w->Str("B2", u"x");
    w->Err("C3", formula::errNA);
    return w;
  }();
  // The bytes are copied so that reads past the end are caught by the sanitizers.
  std::vector<std::uint8_t> copy(data, data + size);
  SelfNames names;
  names.Data = copy.data();
  names.Len = static_cast<int>(copy.size());
  OneSheetExtern ext;
  formula::TXLSFormulaEvaluator ev(wb);
  ev.SetNames(&names);
  ev.SetExternSheets(&ext);
  formula::TXLSFormulaValue v;
  try {
    ev.Evaluate(copy.data(), static_cast<int>(copy.size()), 0, 4, 4, v);
  } catch (const workbook::Exception&) {
  }
  return 0;
}
