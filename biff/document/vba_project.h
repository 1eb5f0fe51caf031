// The VBA project of a workbook with macros: the storage "_VBA_PROJECT_CUR" of the compound file.
// Macros are not edited here. A read parses the project's "dir" stream and the source of every
// module (which also rejects a damaged project) and keeps a byte-exact copy of the whole storage;
// a save puts that copy back.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "biff/document/wide_string_list.h"
#include "biff/stream/xls_stream.h"
#include "core/byte_io.h"

namespace biff {

// A record of the dir stream: its 16-bit id and its data.
struct TVBARecord {
  std::uint32_t Id = 0;
  core::Bytes Data;
};

class TRecordStorageVBA {
public:
  void Add(std::uint16_t Id, core::ByteSpan Data) { Items_.push_back({Id, core::Bytes(Data.begin(), Data.end())}); }
  void Clear() { Items_.clear(); }
  int Count() const { return static_cast<int>(Items_.size()); }
  const TVBARecord& Items(int Index) const { return Items_.at(static_cast<std::size_t>(Index)); }
  TVBARecord& Items(int Index) { return Items_.at(static_cast<std::size_t>(Index)); }

private:
  std::vector<TVBARecord> Items_;
};

class TVBAModule {
public:
  virtual ~TVBAModule() = default;
  std::u16string Name;
  int TextOffset = 0;
  std::uint8_t ModuleType = 0;  // 0 procedural, 1 document
  // The leading "Attribute" lines of the source, without the keyword.
  TXLSValueWideStringList Attributes;
  TRecordStorageVBA Records;
};

class TVBAModuleSource : public TVBAModule {
public:
  // Text in the project's code page: its lines, the leading lines that start with "attribute" (any
  // letter case) moved into Attributes. CodePage converts those lines to UTF-16.
  void SetSource(std::string_view Text, int CodePage = 1252);
  std::vector<std::string> Source;
};

class TXLSVBA : public TXLSVBAHolder {
public:
  // Empties modules and project records and drops the kept copy.
  void Clear();
  // True when a copy is kept or a module was parsed.
  bool HasProject() const override;
  // 0 when Root holds no project (no "_VBA_PROJECT_CUR/VBA/dir"), 1 when one was read. A damaged
  // project raises ("EOF missing in VBA dir stream", "Damaged VBA project: ...").
  int ReadProject(platform::storage::Storage& Root) override;
  // The kept copy into Storage (a freshly created "_VBA_PROJECT_CUR").
  void WriteProject(platform::storage::Storage& Storage) override;

  // The data decompressed from Data[Start..]: the compressed container of the VBA file format.
  // Raises "Damaged VBA project: ..." for data that does not decompress.
  static core::Bytes Decompress(core::ByteSpan Data, std::size_t Start = 0);

  int ModuleCount() const { return static_cast<int>(Modules_.size()); }
  const TVBAModuleSource& Modules(int Index) const { return *Modules_.at(static_cast<std::size_t>(Index)); }
  const TRecordStorageVBA& ProjectRecords() const { return ProjectRecords_; }
  bool ProjectRead() const { return ProjectRead_; }

private:
  void ParseDir(core::ByteSpan Dir, const platform::storage::Storage& VBA);

  std::vector<std::unique_ptr<TVBAModuleSource>> Modules_;
  TRecordStorageVBA ProjectRecords_;
  bool ProjectRead_ = false;
  std::unique_ptr<platform::storage::CompoundFile> Kept_;
};

}  // namespace biff
