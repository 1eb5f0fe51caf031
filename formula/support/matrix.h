// TXLSMatrix: the dense matrix of the matrix worksheet functions (determinant, inverse, product).
#pragma once

#include <memory>
#include <vector>

#include "workbook/object_list.h"

namespace formula {

class TXLSMatrix : public workbook::TObject {
public:
  TXLSMatrix(int Rows, int Cols);
  static std::unique_ptr<TXLSMatrix> CreateCopy(const TXLSMatrix& Source) { return std::make_unique<TXLSMatrix>(Source); }

  int Rows() const { return Rows_; }
  int Cols() const { return Cols_; }
  // No bounds checks: callers stay inside.
  double Get(int Row, int Col) const { return A_[Index(Row, Col)]; }
  void Put(int Row, int Col, double Value) { A_[Index(Row, Col)] = Value; }

  void Clear();
  void SetIdentity();
  void Scale(double Factor);
  // Exchanges the elements (Row1, Col1) and (Row2, Col2).
  void Swap(int Row1, int Col1, int Col2, int Row2);
  // Without that row and column; nullptr when either lies outside.
  std::unique_ptr<TXLSMatrix> Minor(int Row, int Col) const;
  // False for a matrix that is not square. LU decomposition with partial pivoting; a pivot that is
  // exactly 0 gives the determinant 0.
  bool Determinant(double& D) const;
  // nullptr for a matrix that is not square or is singular (an exact zero pivot, or a non-finite
  // determinant).
  std::unique_ptr<TXLSMatrix> Inverse() const;
  // Self x B; nullptr when B.Rows differs from Cols.
  std::unique_ptr<TXLSMatrix> Multiply(const TXLSMatrix& B) const;

private:
  std::size_t Index(int Row, int Col) const {
    return static_cast<std::size_t>(Row) * static_cast<std::size_t>(Cols_) + static_cast<std::size_t>(Col);
  }
  // In-place LU of a square copy: the row permutation and its sign; False at an exact zero pivot.
  bool Decompose(std::vector<double>& LU, std::vector<int>& Perm, int& Sign) const;

  int Rows_;
  int Cols_;
  std::vector<double> A_;
};

}  // namespace formula
