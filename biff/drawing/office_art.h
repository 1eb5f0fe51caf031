// What every OfficeArt tree of a workbook shares: the 8-byte record header, the list of records kept
// without interpretation, and the shape property table (the body of an OfficeArtFOPT record).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "biff/stream/xls_stream.h"
#include "core/byte_io.h"

namespace biff {

// Record types of the OfficeArt records the library knows.
enum : std::uint16_t {
  msoDggContainer = 0xF000,
  msoBStoreContainer = 0xF001,
  msoDgContainer = 0xF002,
  msoSpgrContainer = 0xF003,
  msoSpContainer = 0xF004,
  msoSolverContainer = 0xF005,
  msoDgg = 0xF006,
  msoBSE = 0xF007,
  msoDg = 0xF008,
  msoSpgr = 0xF009,
  msoSp = 0xF00A,
  msoOPT = 0xF00B,
  msoClientTextbox = 0xF00D,
  msoChildAnchor = 0xF00F,
  msoClientAnchor = 0xF010,
  msoClientData = 0xF011,
  msoCLSID = 0xF016,
  msoBlipFirst = 0xF018,
  msoBlipLast = 0xF117,
  msoFRITContainer = 0xF118,
  msoColorMRUContainer = 0xF11A,
  msoSplitMenuColorContainer = 0xF11E,
  msoTertiaryOPT = 0xF122,
};

// recVer of a container record.
constexpr std::uint8_t msoContainerVersion = 0xF;

struct TMSOHeader {
  std::uint16_t VerInst = 0;  // recVer in bits 0-3, recInstance in bits 4-15
  std::uint16_t RecType = 0;
  std::uint32_t Length = 0;

  std::uint8_t Version() const { return VerInst & 0x0F; }
  std::uint16_t Instance() const { return VerInst >> 4; }
  bool IsContainer() const { return Version() == msoContainerVersion; }

  static TMSOHeader Make(std::uint8_t Ver, std::uint16_t Instance, std::uint16_t RecType, std::uint32_t Length) {
    return {static_cast<std::uint16_t>((Ver & 0x0F) | (Instance << 4)), RecType, Length};
  }
  // Reads 8 bytes; throws core::TruncatedInput when fewer remain.
  static TMSOHeader Read(core::ByteReader& R);
  void Write(core::ByteWriter& W) const;
};

// An ordered list of raw OfficeArt records. A container is kept as its header alone; the records it
// held follow as entries of their own.
class TMSORecords {
public:
  // Appends a copy of Header and, unless it is a container, of Header.Length bytes of Data (which
  // must hold that many). Returns the new record's index.
  int Add(const TMSOHeader& Header, core::ByteSpan Data = {});
  int Count() const { return static_cast<int>(records_.size()); }

  const TMSOHeader& GetHeader(int Index) const { return records_.at(Index).Header; }
  const core::Bytes& GetData(int Index) const { return records_.at(Index).Data; }
  std::uint8_t GetVersion(int Index) const { return GetHeader(Index).Version(); }
  std::uint16_t GetInstance(int Index) const { return GetHeader(Index).Instance(); }
  std::uint16_t GetRecType(int Index) const { return GetHeader(Index).RecType; }
  std::uint32_t GetLength(int Index) const { return GetHeader(Index).Length; }

  // Bytes written: 8 per container, 8 + body for every other record.
  int GetSize() const;
  void WriteToStream(TXLSStream& Stream) const;
  void WriteTo(core::ByteWriter& W) const;
  void CopyTo(TMSORecords& Dest) const;
  void Clear() { records_.clear(); }

private:
  struct TRecord {
    TMSOHeader Header;
    core::Bytes Data;
  };
  std::vector<TRecord> records_;
};

// The property table of a shape. Entries keep the order in which they were read or added; the
// rotation (property 4) always goes first.
class TOPT {
public:
  static constexpr std::uint16_t BlipFlag = 0x4000;
  static constexpr std::uint16_t ComplexFlag = 0x8000;
  static constexpr std::uint16_t IdMask = 0x3FFF;

  // The property count written as the record's recInstance.
  int Count = 0;

  int Entries() const { return static_cast<int>(entries_.size()); }
  void Add(std::uint16_t Id, std::uint32_t Value, bool IsBlip = false);
  // A complex entry holding S in UTF-16 and a terminating zero word.
  void AddComplexString(std::uint16_t Id, std::u16string_view S);
  void UpdateCount() { Count = Entries(); }

  int IndexOf(std::uint16_t Id) const;
  // -1 when the property is absent.
  std::int32_t GetValue(std::uint16_t Id) const;
  // Changes an existing property only; an absent one is not added.
  void SetValue(std::uint16_t Id, std::uint32_t Value);
  std::uint16_t GetId(int Index) const { return entries_.at(Index).Id; }
  std::uint32_t GetValueAt(int Index) const { return entries_.at(Index).Value; }
  void SetValueAt(int Index, std::uint32_t Value);

  // Empty when the property is absent or holds no data.
  std::u16string GetComplexString(std::uint16_t Id) const;
  void SetComplexString(std::uint16_t Id, std::u16string_view S);

  // The first simple entry that refers to the picture store, -1 when there is none.
  std::int32_t GetBlipId() const;
  void SetBlipId(std::uint32_t Value);
  // Property 128, 0 when absent.
  std::int32_t GetTextId() const;

  // Body size: 6 per entry plus every complex entry's data.
  int GetSize() const;

  // Replaces the table by an OPT body of Length bytes whose recInstance was Count. Entries beyond
  // Count are dropped, their data skipped.
  void ReadFromStream(TXLSStream& Stream, int Length, int Count);
  void LoadFromBuffer(core::ByteSpan Body, int Count);

  void WriteToStream(TXLSStream& Stream) const;
  core::Bytes SaveToBuffer(bool WithHeader) const;
  void AssignTo(TOPT& Dest) const;
  void Clear() { entries_.clear(); }

private:
  struct TEntry {
    std::uint16_t Id = 0;
    std::uint32_t Value = 0;
    bool HasData = false;
    core::Bytes Data;
  };
  void Insert(TEntry E);
  std::vector<TEntry> entries_;
};

}  // namespace biff
