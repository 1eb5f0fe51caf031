#include "workbook/cell_store_links.h"

#include "workbook/cell_format_editor.h"
#include "workbook/shared_strings.h"
#include "workbook/style_sheet.h"

namespace workbook {

int TCellStoreSSTLink::AddString(const std::u16string& Text) { return SST_->AddString(Text); }
void TCellStoreSSTLink::UseString(int Index) { SST_->UseString(Index); }
void TCellStoreSSTLink::ReleaseString(int Index) { SST_->ReleaseString(Index); }
void TCellStoreSSTLink::GetText(int Index, std::u16string& Text) { SST_->GetText(Index, Text); }

void TCellStoreXFLink::UseXFIndex(int Index) { StyleSheet_->XFEditor->UseXFIndex(Index); }
void TCellStoreXFLink::UseDefaultXF() { StyleSheet_->XFEditor->UseDefaultXF(); }
void TCellStoreXFLink::ReleaseXF(int Index) { StyleSheet_->XFEditor->ReleaseXF(Index); }
void TCellStoreXFLink::DecXFRefs(int Index) { StyleSheet_->XFEditor->DecXFRefs(Index); }

std::unique_ptr<TXLSCellMMU> CreateCellStore(int SheetIndex, TXc12DataSST* SST, TXc12DataStyleSheet* StyleSheet) {
  auto store = std::make_unique<TXLSCellMMU>(SheetIndex, 0, nullptr, nullptr);
  store->OwnLinks(SST ? std::make_unique<TCellStoreSSTLink>(SST) : nullptr,
                  StyleSheet ? std::make_unique<TCellStoreXFLink>(StyleSheet) : nullptr);
  return store;
}

}  // namespace workbook
