#include "formula/support/matrix.h"

#include <algorithm>
#include <cmath>

namespace formula {

TXLSMatrix::TXLSMatrix(int Rows, int Cols)
    : Rows_(std::max(Rows, 0)), Cols_(std::max(Cols, 0)),
      A_(static_cast<std::size_t>(Rows_) * static_cast<std::size_t>(Cols_), 0.0) {}

void TXLSMatrix::Clear() { std::fill(A_.begin(), A_.end(), 0.0); }

void TXLSMatrix::SetIdentity() {
  Clear();
  for (int i = 0; i < std::min(Rows_, Cols_); ++i) Put(i, i, 1.0);
}

void TXLSMatrix::Scale(double Factor) {
  for (auto& v : A_) v *= Factor;
}

void TXLSMatrix::Swap(int Row1, int Col1, int Col2, int Row2) { std::swap(A_[Index(Row1, Col1)], A_[Index(Row2, Col2)]); }

std::unique_ptr<TXLSMatrix> TXLSMatrix::Minor(int Row, int Col) const {
  if (Row < 0 || Row >= Rows_ || Col < 0 || Col >= Cols_) return nullptr;
  auto m = std::make_unique<TXLSMatrix>(Rows_ - 1, Cols_ - 1);
  for (int r = 0, mr = 0; r < Rows_; ++r) {
    if (r == Row) continue;
    for (int c = 0, mc = 0; c < Cols_; ++c) {
      if (c == Col) continue;
      m->Put(mr, mc++, Get(r, c));
    }
    ++mr;
  }
  return m;
}

bool TXLSMatrix::Decompose(std::vector<double>& LU, std::vector<int>& Perm, int& Sign) const {
  const int n = Rows_;
  LU = A_;
  Perm.resize(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) Perm[static_cast<std::size_t>(i)] = i;
  Sign = 1;
  auto at = [&](int r, int c) -> double& { return LU[static_cast<std::size_t>(r) * n + static_cast<std::size_t>(c)]; };
  for (int k = 0; k < n; ++k) {
    int p = k;
    double best = std::fabs(at(k, k));
    for (int r = k + 1; r < n; ++r) {
      if (std::fabs(at(r, k)) > best) {
        best = std::fabs(at(r, k));
        p = r;
      }
    }
    // Exact zero test, as the cofactor method's singular test: no tolerance.
    if (!(best != 0.0)) return false;
    if (p != k) {
      for (int c = 0; c < n; ++c) std::swap(at(k, c), at(p, c));
      std::swap(Perm[static_cast<std::size_t>(k)], Perm[static_cast<std::size_t>(p)]);
      Sign = -Sign;
    }
    for (int r = k + 1; r < n; ++r) {
      const double f = at(r, k) / at(k, k);
      at(r, k) = f;
      if (f == 0.0) continue;
      for (int c = k + 1; c < n; ++c) at(r, c) -= f * at(k, c);
    }
  }
  return true;
}

bool TXLSMatrix::Determinant(double& D) const {
  if (Rows_ != Cols_) return false;
  const int n = Rows_;
  if (n == 0) {
    D = 1.0;
    return true;
  }
  if (n == 1) {
    D = Get(0, 0);
    return true;
  }
  if (n == 2) {
    D = Get(0, 0) * Get(1, 1) - Get(1, 0) * Get(0, 1);
    return true;
  }
  std::vector<double> lu;
  std::vector<int> perm;
  int sign = 1;
  if (!Decompose(lu, perm, sign)) {
    D = 0.0;
    return true;
  }
  double d = sign;
  for (int i = 0; i < n; ++i) d *= lu[static_cast<std::size_t>(i) * n + static_cast<std::size_t>(i)];
  D = d;
  return true;
}

std::unique_ptr<TXLSMatrix> TXLSMatrix::Inverse() const {
  if (Rows_ != Cols_ || Rows_ == 0) return nullptr;
  const int n = Rows_;
  double det = 0;
  if (n <= 2) {
    Determinant(det);
    if (det == 0.0 || !std::isfinite(det)) return nullptr;
    auto r = std::make_unique<TXLSMatrix>(n, n);
    if (n == 1) {
      r->Put(0, 0, 1.0 / Get(0, 0));
    } else {
      r->Put(0, 0, Get(1, 1));
      r->Put(0, 1, -Get(0, 1));
      r->Put(1, 0, -Get(1, 0));
      r->Put(1, 1, Get(0, 0));
      r->Scale(1.0 / det);
    }
    return r;
  }
  std::vector<double> lu;
  std::vector<int> perm;
  int sign = 1;
  if (!Decompose(lu, perm, sign)) return nullptr;
  auto at = [&](int r, int c) { return lu[static_cast<std::size_t>(r) * n + static_cast<std::size_t>(c)]; };
  auto inv = std::make_unique<TXLSMatrix>(n, n);
  std::vector<double> x(static_cast<std::size_t>(n));
  for (int col = 0; col < n; ++col) {
    // Solve L U x = P e_col.
    for (int i = 0; i < n; ++i) {
      double s = perm[static_cast<std::size_t>(i)] == col ? 1.0 : 0.0;
      for (int k = 0; k < i; ++k) s -= at(i, k) * x[static_cast<std::size_t>(k)];
      x[static_cast<std::size_t>(i)] = s;
    }
    for (int i = n - 1; i >= 0; --i) {
      double s = x[static_cast<std::size_t>(i)];
      for (int k = i + 1; k < n; ++k) s -= at(i, k) * x[static_cast<std::size_t>(k)];
      x[static_cast<std::size_t>(i)] = s / at(i, i);
    }
    for (int i = 0; i < n; ++i) {
      if (!std::isfinite(x[static_cast<std::size_t>(i)])) return nullptr;
      inv->Put(i, col, x[static_cast<std::size_t>(i)]);
    }
  }
  return inv;
}

std::unique_ptr<TXLSMatrix> TXLSMatrix::Multiply(const TXLSMatrix& B) const {
  if (B.Rows_ != Cols_) return nullptr;
  auto r = std::make_unique<TXLSMatrix>(Rows_, B.Cols_);
  for (int i = 0; i < B.Cols_; ++i)
    for (int j = 0; j < Rows_; ++j) {
      double s = 0;
      for (int k = 0; k < B.Rows_; ++k) s += B.Get(k, i) * Get(j, k);
      r->Put(j, i, s);
    }
  return r;
}

}  // namespace formula
