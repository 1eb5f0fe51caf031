#include "biff/formulas/biff5_tokens.h"

#include <algorithm>

#include "core/byte_io.h"
#include "formula/language/byte_code.h"

namespace biff {

namespace {

// A relative-reference offset of a BIFF5 row word (14 bits, signed) as BIFF8 holds it (16 bits).
std::uint16_t RowOffset(std::uint16_t RowWord) {
  int offs = RowWord & 0x3FFF;
  if (offs & 0x2000) offs -= 0x4000;
  return static_cast<std::uint16_t>(offs);
}

class TConverter {
public:
  TConverter(const std::uint8_t* P, int Len, const std::uint8_t* Extra, int ExtraLen, const TBIFF5TokenContext& C)
      : P_(P), Len_(Len), X_(Extra), XLen_(ExtraLen), C_(C) {}

  bool Run(std::vector<std::uint8_t>& Tokens, int& Cce) {
    while (Pos_ < Len_) {
      Old_.push_back(Pos_);
      New_.push_back(static_cast<int>(Out_.size()));
      if (!Step()) return false;
    }
    Old_.push_back(Len_);
    New_.push_back(static_cast<int>(Out_.size()));
    for (const TJump& j : Jumps_) {
      const int offset = Map(j.OldTarget) - j.NewBase - j.Bias;
      if (offset < 0 || offset > 0xFFFF) return false;
      core::store_le16(Out_.data() + j.At, static_cast<std::uint16_t>(offset));
    }
    Cce = static_cast<int>(Out_.size());
    Tokens = std::move(Out_);
    Tokens.insert(Tokens.end(), XOut_.begin(), XOut_.end());
    return true;
  }

private:
  struct TJump {
    int At;         // where the BIFF8 offset goes
    int NewBase;    // the position it counts from, in the BIFF8 tokens
    int OldTarget;  // the position it points at, in the BIFF5 tokens
    int Bias;       // 1 for a skip attribute, which holds its distance less one
  };

  bool Has(int N) const { return N <= Len_ - Pos_; }
  std::uint16_t U16(int Offs) const { return core::load_le16(P_ + Pos_ + Offs); }
  void Put8(std::uint8_t V) { Out_.push_back(V); }
  void Put16(std::uint16_t V) {
    Out_.push_back(static_cast<std::uint8_t>(V));
    Out_.push_back(static_cast<std::uint8_t>(V >> 8));
  }
  void Copy(int N) { Out_.insert(Out_.end(), P_ + Pos_, P_ + Pos_ + N); }

  // A BIFF5 position in the BIFF8 tokens: the same distance into the token that holds it.
  int Map(int Old) const {
    const auto it = std::upper_bound(Old_.begin(), Old_.end(), Old);
    const std::size_t k = it == Old_.begin() ? 0 : static_cast<std::size_t>(it - Old_.begin() - 1);
    return New_[k] + (Old - Old_[k]);
  }

  // A cell of a BIFF5 token (row word with the relative flags, column byte) in BIFF8 form.
  void Cell(std::uint16_t RowWord, std::uint8_t Col, bool Relative) {
    const std::uint16_t flags = RowWord & 0xC000;
    Put16(Relative && (flags & 0x8000) ? RowOffset(RowWord) : static_cast<std::uint16_t>(RowWord & 0x3FFF));
    Put16(static_cast<std::uint16_t>(Col | flags));
  }
  void Area(std::uint16_t Row1, std::uint16_t Row2, std::uint8_t Col1, std::uint8_t Col2, bool Relative) {
    auto row = [&](std::uint16_t R) {
      return Relative && (R & 0x8000) ? RowOffset(R) : static_cast<std::uint16_t>(R & 0x3FFF);
    };
    Put16(row(Row1));
    Put16(row(Row2));
    Put16(static_cast<std::uint16_t>(Col1 | (Row1 & 0xC000)));
    Put16(static_cast<std::uint16_t>(Col2 | (Row2 & 0xC000)));
  }

  void Text(const std::uint8_t* S, int Count, bool CountWord) {
    std::u16string t = C_.Text ? C_.Text(S, Count) : std::u16string(S, S + Count);
    if (!CountWord && t.size() > 255) t.resize(255);
    const bool wide = std::any_of(t.begin(), t.end(), [](char16_t c) { return c > 0xFF; });
    std::vector<std::uint8_t>& out = CountWord ? XOut_ : Out_;
    if (CountWord) {
      out.push_back(static_cast<std::uint8_t>(t.size()));
      out.push_back(static_cast<std::uint8_t>(t.size() >> 8));
    } else {
      out.push_back(static_cast<std::uint8_t>(t.size()));
    }
    out.push_back(wide ? 1 : 0);
    for (char16_t c : t) {
      out.push_back(static_cast<std::uint8_t>(c));
      if (wide) out.push_back(static_cast<std::uint8_t>(c >> 8));
    }
  }

  // The extra data of an array constant. BIFF5 counts columns (0 for 256) and rows as they are,
  // BIFF8 both less one; strings turn into BIFF8 strings.
  bool ArrayData() {
    auto need = [&](int N) { return N <= XLen_ - XPos_; };
    if (!need(3)) return false;
    const int cols = X_[XPos_] == 0 ? 256 : X_[XPos_];
    const int rows = core::load_le16(X_ + XPos_ + 1);
    if (rows == 0) return false;
    XOut_.push_back(static_cast<std::uint8_t>(cols - 1));
    XOut_.push_back(static_cast<std::uint8_t>(rows - 1));
    XOut_.push_back(static_cast<std::uint8_t>((rows - 1) >> 8));
    XPos_ += 3;
    for (long i = 0; i < static_cast<long>(cols) * rows; ++i) {
      if (!need(1)) return false;
      const std::uint8_t type = X_[XPos_];
      XOut_.push_back(type);
      ++XPos_;
      if (type == 2) {
        if (!need(1) || !need(1 + X_[XPos_])) return false;
        const int n = X_[XPos_];
        Text(X_ + XPos_ + 1, n, true);
        XPos_ += 1 + n;
      } else if (type == 0 || type == 1 || type == 4 || type == 16) {
        if (!need(8)) return false;
        XOut_.insert(XOut_.end(), X_ + XPos_, X_ + XPos_ + 8);
        XPos_ += 8;
      } else {
        return false;
      }
    }
    return true;
  }

  // The cell list of a memory area: BIFF5 areas of 6 bytes become BIFF8 areas of 8.
  bool MemAreaData() {
    if (XPos_ >= XLen_) return true;  // written without its list
    if (XLen_ - XPos_ < 2) return false;
    const int n = core::load_le16(X_ + XPos_);
    if (2 + 6 * n > XLen_ - XPos_) return false;
    XOut_.push_back(X_[XPos_]);
    XOut_.push_back(X_[XPos_ + 1]);
    const std::uint8_t* a = X_ + XPos_ + 2;
    for (int i = 0; i < n; ++i, a += 6) {
      XOut_.insert(XOut_.end(), a, a + 4);
      for (int k : {4, 5}) {
        XOut_.push_back(a[k]);
        XOut_.push_back(0);
      }
    }
    XPos_ += 2 + 6 * n;
    return true;
  }

  bool Step() {
    const std::uint8_t raw = P_[Pos_];
    const std::uint8_t id = formula::NormalizePtgClass(raw);
    int size = 0;
    if (id >= 0x03 && id <= 0x16) {
      size = 1;
      Copy(1);
    } else {
      switch (id) {
        case 0x01: case 0x02:  // shared or array master, table
          size = 5;
          if (!Has(size)) return false;
          Copy(size);
          break;
        case 0x17: {
          if (!Has(2) || !Has(2 + P_[Pos_ + 1])) return false;
          size = 2 + P_[Pos_ + 1];
          Put8(raw);
          Text(P_ + Pos_ + 2, P_[Pos_ + 1], false);
          break;
        }
        case 0x19: {
          size = 4;
          if (!Has(size)) return false;
          const std::uint8_t flags = P_[Pos_ + 1];
          const int at = static_cast<int>(Out_.size());
          if (flags & 0x04) {
            const int count = U16(2);
            size = 4 + 2 * (count + 1);
            if (!Has(size)) return false;
            Copy(size);
            for (int k = 0; k <= count; ++k)
              Jumps_.push_back({at + 4 + 2 * k, at + 4, Pos_ + 4 + U16(4 + 2 * k), 0});
          } else {
            Copy(size);
            if (flags & 0x02) Jumps_.push_back({at + 2, at + 4, Pos_ + 4 + U16(2), 0});
            if (flags & 0x08) Jumps_.push_back({at + 2, at + 4, Pos_ + 4 + U16(2) + 1, 1});
          }
          break;
        }
        case 0x1C: case 0x1D: size = 2; break;
        case 0x1E: case 0x21: case 0x38: size = 3; break;
        case 0x1F: size = 9; break;
        case 0x22: size = 4; break;
        case 0x20:
          size = 8;
          if (!Has(size)) return false;
          Copy(size);
          if (!ArrayData()) return false;
          break;
        case 0x23:  // name: the index, and 12 bytes BIFF8 does not have
          size = 15;
          if (!Has(size)) return false;
          Put8(raw);
          Put16(U16(1));
          Put16(0);
          break;
        case 0x24: case 0x2A: case 0x2C:
          size = 4;
          if (!Has(size)) return false;
          Put8(raw);
          Cell(U16(1), P_[Pos_ + 3], id == 0x2C);
          break;
        case 0x25: case 0x2B: case 0x2D:
          size = 7;
          if (!Has(size)) return false;
          Put8(raw);
          Area(U16(1), U16(3), P_[Pos_ + 5], P_[Pos_ + 6], id == 0x2D);
          break;
        case 0x26: case 0x27: case 0x28: {  // memory tokens: the length of what they cover follows
          size = 7;
          if (!Has(size)) return false;
          const int at = static_cast<int>(Out_.size());
          Copy(size);
          Jumps_.push_back({at + 5, at + 7, Pos_ + 7 + U16(5), 0});
          if (id == 0x26 && !MemAreaData()) return false;
          break;
        }
        case 0x29: case 0x2E: case 0x2F: {
          size = 3;
          if (!Has(size)) return false;
          const int at = static_cast<int>(Out_.size());
          Copy(size);
          Jumps_.push_back({at + 1, at + 3, Pos_ + 3 + U16(1), 0});
          break;
        }
        case 0x39: {  // external name: of the file itself a name token, else through its workbook
          size = 25;
          if (!Has(size)) return false;
          const int ixals = static_cast<std::int16_t>(U16(1));
          const int name = U16(11);
          if (ixals < 0) {
            Put8(static_cast<std::uint8_t>((raw & 0x60) | 0x03));
            Put16(static_cast<std::uint16_t>(name));
            Put16(0);
            break;
          }
          int ext = -1, index = 0;
          if (!C_.ExternName || !C_.ExternName(ixals, name, ext, index) || ext < 0) return false;
          Put8(raw);
          Put16(static_cast<std::uint16_t>(ext));
          Put16(static_cast<std::uint16_t>(index));
          Put16(0);
          break;
        }
        case 0x3A: case 0x3C: case 0x3B: case 0x3D: {
          const bool area = id == 0x3B || id == 0x3D;
          size = area ? 21 : 18;
          if (!Has(size) || !C_.ExternSheet) return false;
          const int ext = C_.ExternSheet(static_cast<std::int16_t>(U16(1)), U16(11), U16(13));
          if (ext < 0) return false;
          Put8(raw);
          Put16(static_cast<std::uint16_t>(ext));
          if (area)
            Area(U16(15), U16(17), P_[Pos_ + 19], P_[Pos_ + 20], false);
          else
            Cell(U16(15), P_[Pos_ + 17], false);
          break;
        }
        default:
          return false;
      }
      if (!Has(size)) return false;
      // Tokens of the same layout in both versions are copied whole.
      if (id == 0x1C || id == 0x1D || id == 0x1E || id == 0x21 || id == 0x38 || id == 0x1F || id == 0x22) Copy(size);
    }
    Pos_ += size;
    return true;
  }

  const std::uint8_t* P_;
  int Len_;
  const std::uint8_t* X_;
  int XLen_;
  const TBIFF5TokenContext& C_;
  int Pos_ = 0;
  int XPos_ = 0;
  std::vector<std::uint8_t> Out_;
  std::vector<std::uint8_t> XOut_;
  std::vector<int> Old_, New_;
  std::vector<TJump> Jumps_;
};

}  // namespace

bool BIFF5TokensToBIFF8(const std::uint8_t* Ptgs, int Len, const std::uint8_t* Extra, int ExtraLen,
                        const TBIFF5TokenContext& Context, std::vector<std::uint8_t>& Tokens, int& Cce) {
  if (!Ptgs || Len < 0 || ExtraLen < 0 || (ExtraLen > 0 && !Extra)) return false;
  TConverter c(Ptgs, Len, Extra, ExtraLen, Context);
  return c.Run(Tokens, Cce);
}

}  // namespace biff
