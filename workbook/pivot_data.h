// Pivot data kept whole from an .xlsx file: the workbook's pivot cache definitions with their
// records, and each sheet's pivot tables tied to the cache they use. The .xlsx reader fills them and
// the writer writes them back; nothing else of the library reads their content.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "workbook/streams.h"
#include "xml/simple_dom.h"
#include "workbook/object_list.h"

namespace workbook {

class TXLSPivotCacheRecords : public TObject {
public:
  TMemoryStream Stream;  // the bytes of the cache records part
};

class TXLSPivotCacheDefinition : public TIndexObject {
public:
  std::int32_t UseCount = 0;  // pivot tables using it
  ooxml::TXpgSimpleDOM DOM;   // the cache definition part
  std::int32_t CacheId = 0;   // from the workbook's pivot cache list
  TXLSPivotCacheRecords Records;
  void IncUseCount() { ++UseCount; }
};

class TXLSPivotCacheDefinitions : public TIndexObjectList<TXLSPivotCacheDefinition> {
public:
  using TIndexObjectList<TXLSPivotCacheDefinition>::Add;
  TXLSPivotCacheDefinition* Add() { return Add(std::make_unique<TXLSPivotCacheDefinition>()); }
  // The first definition with that cache id, nullptr when none.
  TXLSPivotCacheDefinition* FindByCacheId(std::int32_t CacheId) const {
    for (const auto& d : *this)
      if (d->CacheId == CacheId) return d.get();
    return nullptr;
  }
  TXLSPivotCacheDefinition* GetItems(int Index) const { return GetItem(Index); }
};

class TXLSPivotTable : public TObject {
public:
  TXLSPivotCacheDefinition* CacheDefinition = nullptr;  // not owned
  ooxml::TXpgSimpleDOM DOM;                             // the pivot table part
};

class TXLSPivotTables : public TObjectList<TXLSPivotTable> {
public:
  using TObjectList<TXLSPivotTable>::Add;
  TXLSPivotTable* Add() { return Add(std::make_unique<TXLSPivotTable>()); }
  TXLSPivotTable* GetItems(int Index) const { return GetItem(Index); }
};

}  // namespace workbook
