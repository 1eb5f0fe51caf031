// Connects a cell store to the workbook's shared-string table and to its style sheet's cell
// format editor, through which the store counts the uses its cells and rows hold.
#pragma once

#include <memory>

#include "workbook/cell_store.h"

namespace workbook {

class TXc12DataSST;
class TXc12DataStyleSheet;

class TCellStoreSSTLink : public ICellStoreStrings {
public:
  explicit TCellStoreSSTLink(TXc12DataSST* SST) : SST_(SST) {}
  int AddString(const std::u16string& Text) override;
  void UseString(int Index) override;
  void ReleaseString(int Index) override;
  void GetText(int Index, std::u16string& Text) override;

private:
  TXc12DataSST* SST_;
};

class TCellStoreXFLink : public ICellStoreFormats {
public:
  explicit TCellStoreXFLink(TXc12DataStyleSheet* StyleSheet) : StyleSheet_(StyleSheet) {}
  void UseXFIndex(int Index) override;
  void UseDefaultXF() override;
  void ReleaseXF(int Index) override;
  void DecXFRefs(int Index) override;

private:
  TXc12DataStyleSheet* StyleSheet_;
};

// The store of one worksheet, counting its uses in SST and in StyleSheet's cell formats.
std::unique_ptr<TXLSCellMMU> CreateCellStore(int SheetIndex, TXc12DataSST* SST, TXc12DataStyleSheet* StyleSheet);

}  // namespace workbook
