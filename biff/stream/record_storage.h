// Record storages: the ordered raw records of the workbook globals and of each sheet. They keep
// what the reader does not turn into model data, hold the standard records of the substream, and
// their order is the order of the written file (placeholders mark where generated records go).
// A new storage carries a hidden list of default records; each standard record read takes its
// default's place, and the defaults in front of it that the file lacks move in before it.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "biff/biff_error.h"
#include "core/byte_io.h"

namespace biff {

class TXLSStream;

// One stored record: id and body (the body length is the record's length).
struct TBIFFRecord {
  std::uint16_t Id = 0;
  core::Bytes Body;
  std::uint16_t Length() const { return static_cast<std::uint16_t>(Body.size()); }
};

// Id in the low 16 bits, body length in the high 16 bits.
constexpr std::uint32_t MakeIdLen(std::uint16_t Id, std::uint16_t Len) {
  return static_cast<std::uint32_t>(Id) | (static_cast<std::uint32_t>(Len) << 16);
}

class TBaseRecordStorage {
public:
  TBaseRecordStorage() = default;
  TBaseRecordStorage(const TBaseRecordStorage&) = delete;
  TBaseRecordStorage& operator=(const TBaseRecordStorage&) = delete;
  virtual ~TBaseRecordStorage() = default;

  virtual void Clear();
  // Writes every record in order (WriteRecord).
  virtual void SaveToStream(TXLSStream& Stream);

  int Count() const { return static_cast<int>(items_.size()); }
  // Appends a copy of the body's length bytes of Data (zeros when Data is null).
  TBIFFRecord* Add(std::uint32_t IdLen, const void* Data);
  TBIFFRecord* Insert(int Index, std::uint32_t IdLen, const void* Data);
  void Delete(int Index);
  // Index of the first record with the id, -1 when none.
  int IndexOf(std::uint16_t Id) const;
  // Raises for an index outside the list.
  TBIFFRecord* Items(int Index) const;
  // Header, then body, both through the stream's counted write.
  void WriteRecord(int Index, TXLSStream& Stream) const;
  // Sum of body length + 4 over all records.
  int TotalSize() const;
  TBIFFRecord* Update(int Index, std::uint16_t Len, const void* Data);
  // Appends copies of all records to Dest.
  void CopyTo(TBaseRecordStorage& Dest) const;

protected:
  virtual void Removing(TBIFFRecord* /*Record*/) {}
  void CheckIndex(int Index) const;
  std::vector<std::unique_ptr<TBIFFRecord>> items_;
};

class TRecordStorage : public TBaseRecordStorage {
public:
  virtual void SetDefaults() = 0;
  virtual void AfterRead() {}
  virtual void SetRecord(std::uint32_t IdLen, const void* Data) = 0;
  virtual void SetPlaceholder(std::uint16_t Id) = 0;
};

class TRecordStorageDefault : public TRecordStorage {
public:
  // Clears the records and the defaults.
  void Clear() override;

  TBIFFRecord* AddDefault(std::uint16_t Id, int Len);
  TBIFFRecord* AddDefaultWord(std::uint16_t Id, std::uint16_t Value);
  void PlaceDefault(std::uint32_t IdLen, const void* Data);
  // Replaces all records with copies of every default, in order.
  void UseDefaults();

  // Defaults not yet placed (null slots have been placed).
  const std::vector<std::unique_ptr<TBIFFRecord>>& Defaults() const { return defaults_; }

protected:
  virtual void RecordPlaced(TBIFFRecord* Record);
  void Removing(TBIFFRecord* Record) override;
  // The current block of a standard record or placeholder, nullptr when there is none.
  TBIFFRecord* Placed(std::uint16_t Id) const;
  void ClearAll();

private:
  std::vector<std::unique_ptr<TBIFFRecord>> defaults_;
  std::unordered_map<std::uint16_t, TBIFFRecord*> placed_;
};

class TRecordStorageGlobals : public TRecordStorageDefault {
public:
  TRecordStorageGlobals() { SetDefaults(); }
  void SetDefaults() override;
  void SetRecord(std::uint32_t IdLen, const void* Data) override;
  void SetPlaceholder(std::uint16_t Id) override;

  TBIFFRecord* BOF() const;
  TBIFFRecord* WRITEACCESS() const;
  TBIFFRecord* WINDOW1() const;
  TBIFFRecord* COUNTRY() const;
  TBIFFRecord* RECALCID() const;
};

class TRecordStorageSheet : public TRecordStorageDefault {
public:
  TRecordStorageSheet() { SetDefaults(); }
  void SetDefaults() override;
  void SetRecord(std::uint32_t IdLen, const void* Data) override;
  void SetPlaceholder(std::uint16_t Id) override;

  TBIFFRecord* BOF() const;
  TBIFFRecord* GUTS() const;
  TBIFFRecord* DEFAULTROWHEIGHT() const;
  TBIFFRecord* SETUP() const;
  TBIFFRecord* DIMENSIONS() const;
  TBIFFRecord* WINDOW2() const;
  // A record too short for the value reads as 0; setting lengthens it.
  double GetDELTA() const;
  void SetDELTA(double Value);
  std::uint16_t GetWSBOOL() const;
  void SetWSBOOL(std::uint16_t Value);
  std::uint16_t GetDEFCOLWIDTH() const;
  void SetDEFCOLWIDTH(std::uint16_t Value);
};

}  // namespace biff
