#include "formula/language/encoder.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "core/byte_io.h"
#include "core/unicode.h"
#include "formula/language/function_table.h"
#include "workbook/cell_references.h"
#include "workbook/exceptions.h"

namespace formula {

namespace {

constexpr std::uint32_t LAST_ROW = 0xFFFFF;
constexpr std::uint32_t LAST_COL = 0x3FFF;


bool IsTableItemKind(std::uint8_t K) { return K == xtkTableColumn || K == xtkTableSpecial; }

}  // namespace

TXLSFormulaEncoder::TOp TXLSFormulaEncoder::MakeOp(std::uint8_t Id) {
  TOp o;
  o.Id = Id;
  return o;
}

void TXLSFormulaEncoder::Report(int Code, const std::u16string& Text) {
  Failed_ = true;
  Errors_.Error(Text, Code);
}

bool TXLSFormulaEncoder::IsOpen(std::uint8_t Id) {
  return Id == ptgParen || Id == xptgArray || Id == xptgFunc || Id == xptgFuncVar || Id == xptgFuncName;
}

int TXLSFormulaEncoder::Priority(std::uint8_t Id) {
  switch (Id) {
    case ptgRange: case ptgUnion: case ptgIsect: return 38;
    case ptgUplus: case ptgUminus: return 37;
    case ptgPercent: return 36;
    case ptgPower: return 35;
    case ptgMul: case ptgDiv: return 34;
    case ptgAdd: case ptgSub: return 33;
    case ptgConcat: return 32;
    case ptgLT: case ptgLE: case ptgGE: case ptgGT: return 31;
    case ptgEQ: case ptgNE: return 30;
    case xptgArgSep: return 6;
    case xptgTable: return 5;
    case xptgFuncVar: return 4;
    case xptgFunc: case xptgFuncName: return 3;
    case ptgParen: return 2;
    case xptgArray: return 1;
    default: {
      static const char d[] = "0123456789ABCDEF";
      throw workbook::Exception(std::string("Unknown operator ") + d[Id >> 4] + d[Id & 15]);
    }
  }
}

int TXLSFormulaEncoder::InnermostOpen() const { return Open_.empty() ? -1 : static_cast<int>(Open_.back()); }

void TXLSFormulaEncoder::Sim(int Pops, std::uint8_t Result) {
  if (Pops < 0 || static_cast<std::size_t>(Pops) > SimStack_.size()) {
    IllFormed_ = true;
    SimStack_.clear();
  } else {
    SimStack_.resize(SimStack_.size() - static_cast<std::size_t>(Pops));
  }
  SimStack_.push_back(Result);
}

void TXLSFormulaEncoder::PushOperator(TOp Op) {
  Op.Before = Pending_;
  Pending_ = 0;
  if (Op.Id != ptgUplus && Op.Id != ptgUminus && !IsOpen(Op.Id)) {
    const int prio = Priority(Op.Id);
    while (!Ops_.empty() && !IsOpen(Ops_.back().Id) && Priority(Ops_.back().Id) >= prio) {
      TOp top = std::move(Ops_.back());
      Ops_.pop_back();
      Output(top);
    }
  }
  Ops_.push_back(std::move(Op));
  if (IsOpen(Ops_.back().Id)) {
    Ops_.back().Base = SimStack_.size();
    Open_.push_back(Ops_.size() - 1);
  }
}

void TXLSFormulaEncoder::Output(const TOp& Op) {
  if (Op.Before > 0 && Op.Id != xptgArgSep) Out_.Space(Op.Before);
  switch (Op.Id) {
    case xptgArgSep: {
      const int open = InnermostOpen();
      if (open >= 0 && Ops_[static_cast<std::size_t>(open)].Id != ptgParen) return;  // closed an argument
      // Elsewhere it is a union of the two references before it.
      const std::size_t n = SimStack_.size();
      if (n < 2 || SimStack_[n - 1] != kRef || SimStack_[n - 2] != kRef) {
        Report(4018);
        return;
      }
      Out_.Op(ptgUnion);
      Sim(2, kRef);
      return;
    }
    case ptgIsect: {
      // Spaces between two values that are not both references are no intersection.
      const std::size_t n = SimStack_.size();
      if (n >= 2 && (SimStack_[n - 1] == kValue || SimStack_[n - 2] == kValue)) {
        Report(4018);
        return;
      }
      Out_.Intersect(Op.Spaces);
      Sim(2, kRef);
      return;
    }
    case ptgUnion: case ptgRange: {
      const std::size_t n = SimStack_.size();
      if (n >= 2 && (SimStack_[n - 1] == kValue || SimStack_[n - 2] == kValue)) {
        Report(4018);
        return;
      }
      Out_.Op(Op.Id);
      Sim(2, kRef);
      return;
    }
    case ptgUplus: case ptgUminus: case ptgPercent:
      Out_.Op(Op.Id);
      Sim(1, kValue);
      return;
    case ptgParen: {
      Out_.Op(ptgParen);
      const std::uint8_t ref = SimStack_.empty() ? kValue : SimStack_.back();
      Sim(1, ref);
      return;
    }
    case xptgArray:
      Out_.Array(static_cast<std::uint16_t>(Op.Cols), Op.Rows);
      Sim(Op.Cols * Op.Rows, kValue);
      return;
    case xptgFunc:
      Out_.Func(static_cast<std::uint16_t>(Op.FuncId));
      Sim(Op.MinArgs, kMaybeRef);
      return;
    case xptgFuncVar:
      Out_.FuncVar(static_cast<std::uint8_t>(Op.Count), static_cast<std::uint16_t>(Op.FuncId));
      Sim(Op.Count, kMaybeRef);
      return;
    case xptgFuncName:
      Out_.FuncName(static_cast<std::uint8_t>(Op.Count), Op.Name);
      Sim(Op.Count, kMaybeRef);
      return;
    case xptgTable:
      Out_.Table(static_cast<std::uint16_t>(Op.Table), static_cast<std::uint16_t>(Op.TableSheet),
                 static_cast<std::uint8_t>(Op.Items), Op.C1, Op.R1, Op.C2, Op.R2);
      Sim(Op.Items, kRef);
      return;
    default:
      Priority(Op.Id);  // raises for an id that is no operator
      Out_.Op(Op.Id);
      Sim(2, kValue);
      return;
  }
}

// The closing marker: everything above the innermost open element leaves, then that element.
void TXLSFormulaEncoder::Close() {
  if (Open_.empty()) {
    while (!Ops_.empty()) {
      TOp t = std::move(Ops_.back());
      Ops_.pop_back();
      Output(t);
    }
    return;
  }
  const std::size_t open = Open_.back();
  while (Ops_.size() > open + 1) {
    TOp t = std::move(Ops_.back());
    Ops_.pop_back();
    Output(t);
  }
  TOp t = std::move(Ops_.back());
  Ops_.pop_back();
  Open_.pop_back();
  // Each group holds exactly its own values: one inside parentheses, one per argument or element.
  // This keeps "()" from taking an operand from outside and rejects juxtaposed operands inside.
  const std::size_t want = t.Id == ptgParen ? 1u : static_cast<std::size_t>(t.Count);
  if (SimStack_.size() < t.Base || SimStack_.size() - t.Base != want) {
    IllFormed_ = true;
    Failed_ = true;
    Report(4006);
    return;
  }
  if (t.Id == xptgFunc && t.Count != t.MinArgs) {
    Report(t.Count < t.MinArgs ? 4020 : 4021, std::u16string(XLSFuncNames().GetName(t.FuncId)));
    return;
  }
  if ((t.Id == xptgFuncVar || t.Id == xptgFuncName) && t.Count > 255) {
    Report(4021, t.Id == xptgFuncName ? t.Name : std::u16string(XLSFuncNames().GetName(t.FuncId)));
    return;
  }
  Output(t);
}

std::size_t TXLSFormulaEncoder::NextNonSpace(std::size_t I) const {
  const TXLSTokenList& t = *Tokens_;
  while (I < t.size() && (t[I].Kind == xtkSpace || t[I].Kind == xtkSpaceRun)) ++I;
  return I;
}

bool TXLSFormulaEncoder::Encode(const TXLSTokenList& Tokens, std::vector<std::uint8_t>& Ptgs, int SheetIndex,
                                int Col, int Row) {
  Ptgs.clear();
  Tokens_ = &Tokens;
  Sheet_ = SheetIndex;
  Col_ = Col;
  Row_ = Row;
  Out_.Clear();
  Ops_.clear();
  Open_.clear();
  SimStack_.clear();
  IllFormed_ = false;
  Failed_ = false;
  Pending_ = 0;
  std::uint8_t prev = xtkUnknown;  // the previous token that is no spacing
  const TXLSTokenList& t = Tokens;
  for (std::size_t i = 0; i < t.size() && !Failed_;) {
    const TXLSFormulaToken& tok = t[i];
    const std::uint8_t k = tok.Kind;
    const int open = InnermostOpen();
    const std::uint8_t openId = open >= 0 ? Ops_[static_cast<std::size_t>(open)].Id : 0;
    const bool inCall = openId == xptgFunc || openId == xptgFuncVar || openId == xptgFuncName;
    switch (k) {
      case xtkSpace: {
        // Spaces stand before the text of the token they precede. That token may leave the operator
        // stack later than the operand that follows it, so spaces before an operator, a parenthesis,
        // a call or an array travel with that token. Before a separator or a closing bracket they
        // have no token of their own (unless an empty argument follows) and are dropped.
        const std::uint8_t nk = i + 1 < t.size() ? t[i + 1].Kind : static_cast<std::uint8_t>(xtkSpaceRun);
        const std::uint8_t count = static_cast<std::uint8_t>(std::min(tok.Int, 255));
        if (nk == xtkOpenParen || nk == xtkArrayOpen || nk == xtkFunction || nk == xtkTable ||
            (nk >= xtkPower && nk <= xtkRangeOp)) {
          Pending_ = count;
        } else if (nk == xtkListSep || nk == xtkRowSep || nk == xtkCloseParen || nk == xtkArrayClose ||
                   nk == xtkSpaceRun) {
          if ((nk == xtkListSep && inCall && (prev == xtkListSep || prev == xtkFunction)) ||
              (nk == xtkCloseParen && inCall && prev == xtkListSep))
            Out_.Space(count);
        } else {
          Out_.Space(count);
        }
        ++i;
        continue;  // spacing leaves prev as it was
      }
      case xtkSpaceRun:
        ++i;
        continue;
      case xtkListSep:
      case xtkRowSep:
        if (openId == xptgArray) {
          Ops_[static_cast<std::size_t>(open)].Count++;
          if (k == xtkRowSep) Ops_[static_cast<std::size_t>(open)].Rows++;
        } else if (inCall && k == xtkListSep) {
          Ops_[static_cast<std::size_t>(open)].Count++;
          // An empty argument: after a separator or right after the opening of the call.
          if (prev == xtkListSep || prev == xtkFunction) {
            Out_.Op(xptgMissingArg);
            SimOperand(kValue);
          }
        }
        PushOperator(MakeOp(xptgArgSep));
        if (inCall && k == xtkListSep) {
          // The arguments so far hold one value each. Checked only at the closing parenthesis, an
          // operator without its right operand ("A*,") could take the argument before it, and an
          // extra operand further on ("2A") would make the count come out right.
          const TOp& call = Ops_[static_cast<std::size_t>(open)];
          if (SimStack_.size() < call.Base || SimStack_.size() - call.Base != static_cast<std::size_t>(call.Count) - 1) {
            IllFormed_ = true;
            Failed_ = true;
            Report(4006);
          }
        }
        break;
      case xtkRefColon:
      case xtkRangeOp:
        PushOperator(MakeOp(ptgRange));
        break;
      case xtkSheetEnd:
      case xtkTableEnd:
        break;
      case xtkOpenParen:
        PushOperator(MakeOp(ptgParen));
        break;
      case xtkCloseParen:
        if (prev == xtkListSep && inCall) {
          Out_.Op(xptgMissingArg);
          SimOperand(kValue);
        }
        Close();
        break;
      case xtkTrue:
      case xtkFalse:
        Out_.Bool(k == xtkTrue);
        SimOperand(kValue);
        break;
      case xtkString:
        if (tok.Text.size() > 65535) {
          Report(4006);
          break;
        }
        Out_.String(tok.Text);
        SimOperand(kValue);
        break;
      case xtkArrayOpen: {
        TOp a = MakeOp(xptgArray);
        const std::size_t n = NextNonSpace(i + 1);
        const bool empty = n < t.size() && t[n].Kind == xtkArrayClose;
        a.Count = empty ? 0 : 1;
        a.Rows = empty ? 0 : 1;
        PushOperator(std::move(a));
        break;
      }
      case xtkArrayClose:
        if (openId == xptgArray) {
          TOp& a = Ops_[static_cast<std::size_t>(open)];
          if (a.Rows > 0 && a.Count % a.Rows != 0) {
            Report(4022);
            break;
          }
          a.Cols = a.Rows > 0 ? a.Count / a.Rows : 0;
          if (a.Cols > 0xFFFF) {
            Report(4022);
            break;
          }
        }
        Close();
        break;
      case xtkNumber: {
        const double v = tok.Num;
        if (v == std::floor(v) && v >= -2147483646.0 && v <= 2147483647.0)
          Out_.Int(static_cast<std::int32_t>(v));
        else
          Out_.Number(v);
        SimOperand(kValue);
        break;
      }
      case xtkPower: case xtkMul: case xtkDiv: case xtkAdd: case xtkSub: case xtkUminus: case xtkUplus:
      case xtkConcat: case xtkEQ: case xtkNE: case xtkLT: case xtkLE: case xtkGT: case xtkGE: case xtkPercent: {
        static const std::uint8_t ids[] = {ptgPower, ptgMul, ptgDiv, ptgAdd, ptgSub, ptgUminus, ptgUplus, ptgConcat,
                                           ptgEQ, ptgNE, ptgLT, ptgLE, ptgGT, ptgGE, ptgPercent};
        PushOperator(MakeOp(ids[k - xtkPower]));
        break;
      }
      case xtkIntersect: {
        TOp o = MakeOp(ptgIsect);
        o.Spaces = static_cast<std::uint8_t>(std::min(tok.Int, 255));
        PushOperator(std::move(o));
        break;
      }
      case xtkCol: case xtkColAbs: case xtkRow: case xtkRowAbs: case xtkSheet: case xtkBook: {
        std::size_t j = i;
        if (!Reference(j)) {
          Failed_ = true;
          break;
        }
        prev = t[j - 1].Kind;
        i = j;
        continue;
      }
      default:
        if (k >= xtkErrorFirst && k <= xtkErrorLast) {
          Out_.Error(static_cast<std::uint8_t>(k - 12));
          SimOperand(kValue);
          break;
        }
        if (k == xtkName) {
          const int idx = Resolver_ ? Resolver_->FindName(tok.Text, Sheet_) : -1;
          if (idx >= 0 && idx < PTG_NAME_NOT_FOUND) {
            Out_.Name(static_cast<std::uint16_t>(idx));
            SimOperand(kMaybeRef);
          } else {
            Out_.Error(5);
            SimOperand(kValue);
          }
          break;
        }
        if (k == xtkFunction) {
          TOp f;
          const int id = XLSFuncNames().FindName(tok.Text);
          const std::size_t n = NextNonSpace(i + 1);
          const bool none = n < t.size() && t[n].Kind == xtkCloseParen;
          f.Count = none ? 0 : 1;
          if (id < 0) {
            if (tok.Text.size() > 65535) {
              Report(4006);
              break;
            }
            f.Id = xptgFuncName;
            f.Name = tok.Text;
          } else {
            f.FuncId = id;
            XLSFuncNames().GetArgRange(id, f.MinArgs, f.MaxArgs);
            f.Id = XLSFuncNames().IsFixedArgs(id) ? xptgFunc : xptgFuncVar;
          }
          PushOperator(std::move(f));
          break;
        }
        if (k == xtkTable || IsTableItemKind(k)) {
          std::size_t j = i;
          if (!StructuredReference(j)) {
            Failed_ = true;
            break;
          }
          prev = t[j - 1].Kind;
          i = j;
          continue;
        }
        // An unrecognised character: the tokenizer has reported it; the code would be truncated.
        Failed_ = true;
        break;
    }
    prev = k;
    ++i;
  }
  if (!Failed_) {
    while (!Ops_.empty()) {
      TOp top = std::move(Ops_.back());
      Ops_.pop_back();
      if (IsOpen(top.Id)) {
        // Only reachable after a reported missing ")": the tokenizer counted the parentheses.
        Failed_ = true;
        break;
      }
      Output(top);
    }
  }
  if (!Failed_ && (IllFormed_ || SimStack_.size() != 1)) Report(4006);
  if (Failed_) {
    Ops_.clear();
    Open_.clear();
    return false;
  }
  Ptgs = Out_.Bytes();
  return true;
}

bool TXLSFormulaEncoder::Reference(std::size_t& I) {
  const TXLSTokenList& t = *Tokens_;
  auto kind = [&](std::size_t j) -> int { return j < t.size() ? t[j].Kind : -1; };
  auto isCol = [&](std::size_t j) { return kind(j) == xtkCol || kind(j) == xtkColAbs; };
  auto isRow = [&](std::size_t j) { return kind(j) == xtkRow || kind(j) == xtkRowAbs; };
  auto col = [&](std::size_t j) {
    return static_cast<std::uint32_t>(t[j].Int) | (t[j].Kind == xtkColAbs ? PTG_COL_ABS : 0u);
  };
  auto row = [&](std::size_t j) {
    return static_cast<std::uint32_t>(t[j].Int) | (t[j].Kind == xtkRowAbs ? PTG_ROW_ABS : 0u);
  };
  // Prefix.
  const TXLSFormulaToken* book = nullptr;
  const TXLSFormulaToken* sheet1 = nullptr;
  const TXLSFormulaToken* sheet2 = nullptr;
  std::size_t j = I;
  if (kind(j) == xtkBook) book = &t[j++];
  if (kind(j) == xtkSheet) {
    sheet1 = &t[j++];
    if (kind(j) == xtkRefColon && kind(j + 1) == xtkSheet) {
      sheet2 = &t[j + 1];
      j += 2;
    }
    if (kind(j) != xtkSheetEnd) throw workbook::Exception("Unknown sheet reference type: \"" + std::to_string(kind(j)) + "\"");
    ++j;
  } else if (book) {
    throw workbook::Exception("Unknown sheet reference type: \"" + std::to_string(kind(j)) + "\"");
  }
  const bool prefixed = sheet1 != nullptr;
  // Body.
  enum { Cell, Area, Err, Name } shape;
  std::uint32_t c1 = 0, r1 = 0, c2 = 0, r2 = 0;
  if (isCol(j) && isRow(j + 1)) {
    c1 = c2 = col(j);
    r1 = r2 = row(j + 1);
    shape = Cell;
    j += 2;
    if (kind(j) == xtkRefColon && isCol(j + 1) && isRow(j + 2)) {
      c2 = col(j + 1);
      r2 = row(j + 2);
      shape = Area;
      j += 3;
    }
  } else if (isCol(j) && kind(j + 1) == xtkRefColon && isCol(j + 2)) {
    c1 = col(j);
    c2 = col(j + 2);
    r1 = 0;
    r2 = LAST_ROW;
    shape = Area;
    j += 3;
  } else if (isRow(j) && kind(j + 1) == xtkRefColon && isRow(j + 2)) {
    r1 = row(j);
    r2 = row(j + 2);
    c1 = 0;
    c2 = LAST_COL;
    shape = Area;
    j += 3;
  } else if (prefixed && kind(j) >= xtkErrorFirst && kind(j) <= xtkErrorLast) {
    shape = Err;
    ++j;
  } else if (prefixed && kind(j) == xtkName) {
    shape = Name;
    ++j;
  } else if (prefixed) {
    throw workbook::Exception("Unknown sheet reference type: \"" + std::to_string(kind(j)) + "\"");
  } else {
    Report(4010);
    return false;
  }
  I = j;
  if (!prefixed) {
    if (shape == Cell)
      Out_.Ref(static_cast<int>(c1 & LAST_COL), static_cast<int>(r1 & LAST_ROW), c1 & PTG_COL_ABS, r1 & PTG_ROW_ABS);
    else
      Out_.Area(static_cast<int>(c1 & LAST_COL), static_cast<int>(r1 & LAST_ROW), static_cast<int>(c2 & LAST_COL),
                static_cast<int>(r2 & LAST_ROW), c1 & PTG_COL_ABS, r1 & PTG_ROW_ABS, c2 & PTG_COL_ABS, r2 & PTG_ROW_ABS);
    SimOperand(kRef);
    return true;
  }
  if (shape == Name) {
    const std::u16string& name = t[j - 1].Text;
    int idx = -1;
    if (book) {
      if (book->Text != u"0") throw workbook::Exception(u"Unknown workbook \"" + book->Text + u"\" name");
      idx = Resolver_ ? Resolver_->FindGlobalName(name) : -1;
    } else if (sheet2) {
      throw workbook::Exception("Unknown name reference");
    } else {
      const int s = Resolver_ ? Resolver_->FindSheet(sheet1->Text) : -1;
      if (s < 0) {
        Report(4016, sheet1->Text);
        return false;
      }
      idx = Resolver_->FindLocalName(name, s);
    }
    const bool found = idx >= 0 && idx < PTG_NAME_NOT_FOUND;
    Out_.Name(found ? static_cast<std::uint16_t>(idx) : PTG_NAME_NOT_FOUND);
    SimOperand(found ? kMaybeRef : kValue);  // a name not found reads as #NAME?
    return true;
  }
  int s1 = -1, s2 = -1, link = -1;
  if (book) {
    const int links = Resolver_ ? Resolver_->ExternalLinkCount() : 0;
    bool number = !book->Text.empty();
    long n = 0;
    for (char16_t c : book->Text) {
      if (c < u'0' || c > u'9') number = false;
      else if (n < 1000000) n = n * 10 + (c - u'0');
    }
    if (number) link = (n >= 1 && n <= links) ? n - 1 : -1;
    else link = Resolver_ ? Resolver_->FindExternalLink(book->Text) : -1;
    if (link < 0 || link > 0xFFFF) {
      Report(4012);
      return false;
    }
    s1 = Resolver_->FindExternalSheet(link, sheet1->Text);
    if (sheet2 && s1 >= 0) s2 = Resolver_->FindExternalSheet(link, sheet2->Text);
  } else {
    s1 = Resolver_ ? Resolver_->FindSheet(sheet1->Text) : -1;
    if (sheet2 && s1 >= 0) s2 = Resolver_->FindSheet(sheet2->Text);
  }
  // Sheet indexes are one byte in the byte code.
  if (s1 < 0 || s1 > 254 || (sheet2 && (s2 < 0 || s2 > 254))) {
    Report(4016, (s1 < 0 || s1 > 254 || !sheet2) ? sheet1->Text : sheet2->Text);
    return false;
  }
  if (!sheet2) s2 = -1;
  if (shape == Err) {
    const std::uint8_t code = static_cast<std::uint8_t>(t[j - 1].Kind - 12);
    Out_.Ref3dError(sheet2 != nullptr, code);
    SimOperand(kRef);
    return true;
  }
  if (book) {
    if (shape == Cell) Out_.RefExt(static_cast<std::uint16_t>(link), s1, s2, c1, r1);
    else Out_.AreaExt(static_cast<std::uint16_t>(link), s1, s2, c1, r1, c2, r2);
  } else {
    if (shape == Cell) Out_.Ref3d(s1, s2, c1, r1);
    else Out_.Area3d(s1, s2, c1, r1, c2, r2);
  }
  SimOperand(kRef);
  return true;
}

bool TXLSFormulaEncoder::StructuredReference(std::size_t& I) {
  const TXLSTokenList& t = *Tokens_;
  auto kind = [&](std::size_t j) -> int { return j < t.size() ? t[j].Kind : -1; };
  std::size_t j = I;
  const TXLSFormulaToken* name = kind(j) == xtkTable ? &t[j++] : nullptr;
  // The item sequence: items with one separator between them.
  struct Item {
    const TXLSFormulaToken* Tok;
    int Code;  // 1..5 specials, 6 a column
    std::uint8_t SepAfter;
  };
  std::vector<Item> items;
  while (IsTableItemKind(static_cast<std::uint8_t>(kind(j)))) {
    Item it{&t[j], 6, 0};
    if (t[j].Kind == xtkTableSpecial) {
      static const char16_t* specials[] = {u"ALL", u"DATA", u"HEADERS", u"TOTALS", u"THIS ROW"};
      const std::u16string up = UpperCaseAscii(t[j].Text);
      it.Code = 0;
      for (int c = 0; c < 5; ++c)
        if (up == specials[c]) it.Code = c + 1;
      if (it.Code == 0) {
        Report(4026, t[j].Text);
        return false;
      }
    }
    ++j;
    const int sep = kind(j);
    if (sep == xtkListSep || sep == xtkRefColon || sep == xtkRowSep) {
      if (!IsTableItemKind(static_cast<std::uint8_t>(kind(j + 1)))) {
        if (name) {
          Report(4028);
          return false;
        }
        items.push_back(it);
        break;  // the separator belongs to the enclosing expression
      }
      if (sep == xtkRowSep || (sep == xtkRefColon && it.Code != 6)) {
        Report(4028);
        return false;
      }
      it.SepAfter = static_cast<std::uint8_t>(sep);
      ++j;
    }
    items.push_back(it);
    if (it.SepAfter == 0) break;
  }
  if (name) {
    if (kind(j) != xtkTableEnd) {
      Report(4027, u"");
      return false;
    }
    ++j;
  }
  if (items.size() >= 2) {
    std::vector<Item> sorted = items;
    std::stable_sort(sorted.begin(), sorted.end(), [](const Item& a, const Item& b) { return a.Code < b.Code; });
    if ((items[0].Code == 6) != (sorted[0].Code == 6)) {
      Report(4030);
      return false;
    }
    const int first = sorted[0].Code;
    bool ok = true;
    if (first != 6 && sorted[1].Code != 6) {
      const int second = sorted[1].Code;
      if (first == 1 || first == 5) ok = false;
      else if (first == 2) ok = second == 3 || second == 4;
      else ok = second == 2;
    }
    for (std::size_t n = 2; n < sorted.size() && ok; ++n)
      if (sorted[n].Code != 6) ok = false;
    if (!ok) {
      std::u16string last;
      for (const Item& x : items)
        if (x.Code != 6) last = UpperCaseAscii(x.Tok->Text);
      Report(4026, last);
      return false;
    }
  }
  TFormulaTableInfo info;
  if (name) {
    if (!Resolver_ || !Resolver_->FindTable(name->Text, Sheet_, info)) {
      Report(4024, name->Text);
      return false;
    }
  } else if (!Resolver_ || !Resolver_->FindTableByCell(Sheet_, Col_, Row_, info)) {
    Report(4024, u"at " + (Col_ >= 0 && Row_ >= 0 ? workbook::ColRowToRefStr(Col_, Row_) : std::u16string()));
    return false;
  }
  if (info.Index < 0 || info.Index > 0xFFFF) {
    Report(4024, info.Name);
    return false;
  }
  const int dataR1 = info.Row1 + info.HeaderRows, dataR2 = info.Row2 - info.TotalsRows;
  int pushed = 0;
  for (const Item& it : items) {
    if (it.Code == 6) {
      // An apostrophe escapes the character after it.
      std::u16string col;
      const std::u16string& raw = it.Tok->Text;
      for (std::size_t n = 0; n < raw.size(); ++n) {
        if (raw[n] == u'\'' && n + 1 < raw.size()) ++n;
        col.push_back(raw[n]);
      }
      int idx = -1;
      for (std::size_t n = 0; n < info.Columns.size(); ++n)
        if (CompareTextAsciiI(info.Columns[n], col) == 0) idx = static_cast<int>(n);
      if (idx < 0) {
        Report(4025, raw);
        return false;
      }
      Out_.TableColumn(static_cast<std::uint16_t>(info.Index), static_cast<std::uint16_t>(idx), info.Col1 + idx, dataR1,
                       info.Col1 + idx, dataR2);
    } else {
      int r1 = dataR1, r2 = dataR2;
      std::uint8_t err = 0;
      switch (it.Code) {
        case 1: r1 = info.Row1; r2 = info.Row2; break;
        case 3:
          r1 = info.Row1;
          r2 = info.Row1 + info.HeaderRows - 1;
          if (info.HeaderRows <= 0) err = 4;
          break;
        case 4:
          r1 = info.Row2 - info.TotalsRows + 1;
          r2 = info.Row2;
          if (info.TotalsRows <= 0) err = 4;
          break;
        case 5: r1 = r2 = 0; break;
        default: break;
      }
      if (err) r1 = r2 = 0;
      Out_.TableSpecial(static_cast<std::uint8_t>(it.Code), err, info.Col1, r1, info.Col2, r2);
    }
    SimOperand(kRef);
    ++pushed;
    if (pushed >= 2 && items[static_cast<std::size_t>(pushed - 2)].SepAfter == xtkRefColon) {
      Out_.Op(ptgRange);
      Sim(2, kRef);
    }
  }
  if (name) {
    int groups = items.empty() ? 0 : 1;
    for (const Item& it : items)
      if (it.SepAfter == xtkListSep) ++groups;
    if (groups > 255) {
      Report(4028);
      return false;
    }
    const std::uint16_t sheet = info.Sheet == Sheet_ ? PTG_TABLE_OWN_SHEET : static_cast<std::uint16_t>(info.Sheet);
    if (Pending_ > 0) Out_.Space(Pending_);  // spaces before the table name stand before its token
    Pending_ = 0;
    Out_.Table(static_cast<std::uint16_t>(info.Index), sheet, static_cast<std::uint8_t>(groups), info.Col1, dataR1,
               info.Col2, dataR2);
    Sim(groups, kRef);
  }
  I = j;
  return true;
}

bool CompileFormula(std::u16string_view Text, workbook::TXLSErrorManager& Errors,
                    const IFormulaNameResolver* Resolver, bool Invariant, const TFormulaLocale& Locale,
                    std::vector<std::uint8_t>& Ptgs, int SheetIndex, int Col, int Row) {
  Ptgs.clear();
  // Every fault of the tokenizer sets the manager's last error, also when it neither raises nor counts.
  const int lastBefore = Errors.GetLastError();
  Errors.SetLastError(0);
  TXLSTokenizer tokenizer(Errors);
  tokenizer.SetSeparators(Invariant, Locale);
  TXLSTokenList tokens;
  const bool any = tokenizer.Parse(Text, tokens);
  const bool faults = Errors.GetLastError() != 0;
  if (!faults) Errors.SetLastError(lastBefore);
  if (!any || faults) return false;
  TXLSFormulaEncoder encoder(Errors, Resolver);
  return encoder.Encode(tokens, Ptgs, SheetIndex, Col, Row);
}

bool ByteCodeWellFormed(const std::uint8_t* Ptgs, int Len) {
  long depth = 0;
  auto take = [&](long n, long push) {
    if (n < 0 || depth < n) return false;
    depth = depth - n + push;
    return true;
  };
  TXLSIteratePtgs it(Ptgs, Len);
  while (it.Next()) {
    const std::uint8_t* p = it.Current();
    const std::uint8_t id = p[0];
    bool ok = true;
    if (id >= ptgAdd && id <= ptgNE) ok = take(2, 1);
    else if (id == ptgIsect || id == ptgUnion || id == ptgRange) ok = take(2, 1);
    else if (id >= ptgUplus && id <= ptgParen) ok = take(1, 1);
    else if (id == xptgSpace) continue;
    else if (id == xptgArray) ok = take(static_cast<long>(core::load_le16(p + 1)) * static_cast<std::int32_t>(core::load_le32(p + 3)), 1);
    else if (id == xptgFunc) {
      int mn = 0, mx = 0;
      XLSFuncNames().GetArgRange(core::load_le16(p + 1), mn, mx);
      ok = take(mn, 1);
    } else if (id == xptgFuncVar || id == xptgFuncName) ok = take(p[1], 1);
    else if (id == xptgTable) ok = take(p[5], 1);
    else if (id == xptgBIFF8 || id == xptgBIFF8Extra || id == xptgArgSep) return false;
    else ok = take(0, 1);
    if (!ok) return false;
  }
  return depth == 1;
}

int PtgsToArea3D(const std::uint8_t* Ptgs, int Len, const IExternSheetResolver* ExternSheets, int& Sheet, int& Row1,
                 int& Row2, int& Col1, int& Col2) {
  if (!Ptgs || Len <= 0) return 0;
  if (Ptgs[0] == xptgRef3d && Len == 8) {
    Sheet = Ptgs[7];
    Row1 = Row2 = static_cast<int>(core::load_le32(Ptgs + 1) & LAST_ROW);
    Col1 = Col2 = core::load_le16(Ptgs + 5) & LAST_COL;
    return 1;
  }
  if (Ptgs[0] == xptgArea3d && Len == 14) {
    Sheet = Ptgs[13];
    Row1 = static_cast<int>(core::load_le32(Ptgs + 1) & LAST_ROW);
    Row2 = static_cast<int>(core::load_le32(Ptgs + 5) & LAST_ROW);
    Col1 = core::load_le16(Ptgs + 9) & LAST_COL;
    Col2 = core::load_le16(Ptgs + 11) & LAST_COL;
    return 2;
  }
  if (Ptgs[0] != xptgBIFF8 && Ptgs[0] != xptgBIFF8Extra) return 0;
  const int at = Ptgs[0] == xptgBIFF8 ? 1 : 3;
  if (Len <= at) return 0;
  const std::uint8_t* p = Ptgs + at;
  const int left = Len - at;
  const std::uint8_t id = NormalizePtgClass(p[0]);
  int kind = 0;
  if (id == 0x3A && left >= 7) {
    Row1 = Row2 = core::load_le16(p + 3);
    Col1 = Col2 = core::load_le16(p + 5) & 0x3FFF;
    kind = 1;
  } else if (id == 0x3B && left >= 11) {
    Row1 = core::load_le16(p + 3);
    Row2 = core::load_le16(p + 5);
    Col1 = core::load_le16(p + 7) & 0x3FFF;
    Col2 = core::load_le16(p + 9) & 0x3FFF;
    kind = 2;
  } else {
    return 0;
  }
  int first = -1, last = -1;
  if (!ExternSheets || !ExternSheets->GetExtSheetTabs(core::load_le16(p + 1), first, last) || first != last ||
      first < 0)
    return 0;
  Sheet = first;
  return first >= 255 ? 3 : kind;
}

}  // namespace formula
