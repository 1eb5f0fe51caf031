// The workbook's drawing group: the picture store shared by all sheets, the shape-id clusters that
// keep every shape id of the workbook unique, the default shape properties and the colour lists.
// It is the body of the MSODRAWINGGROUP record (with its CONTINUE records) of the workbook globals.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "io/md4.h"
#include "biff/drawing/office_art.h"

namespace biff {

// What the group asks of a sheet drawing.
class TEscherDrawingBase {
public:
  virtual ~TEscherDrawingBase() = default;
  virtual int TopLevelShapeCount() const = 0;
  // The last shape id the drawing handed out (its FDG record's spidCur).
  virtual std::uint32_t SpIdCur() const = 0;
};

enum TMSOBlipType : std::uint8_t {
  msoblipERROR = 0,
  msoblipUNKNOWN = 1,
  msoblipEMF = 2,
  msoblipWMF = 3,
  msoblipPICT = 4,
  msoblipJPEG = 5,
  msoblipPNG = 6,
  msoblipDIB = 7,
};

// Names of the picture kinds, indexed by kind.
extern const char* const MSOBlipTypeNames[8];

inline bool IsMetafile(TMSOBlipType Kind) { return Kind >= msoblipEMF && Kind <= msoblipPICT; }

// The kind from a file name's extension; an unknown extension raises "Unknown picture type ...".
TMSOBlipType PictureTypeFromFileName(const std::string& FileName);

class TEscherGroup;

// One picture of the store.
class TMSOPicture {
public:
  explicit TMSOPicture(TEscherGroup* Owner) : owner_(Owner) {}

  core::Bytes Data;
  TMSOBlipType Kind = msoblipERROR;
  std::int32_t RefCount = 0;
  std::u16string FileName;
  io::TMD4Hash::TDigest Id{};
  int Index = 0;
  std::string Name;

  std::uint32_t Size() const { return static_cast<std::uint32_t>(Data.size()); }

  // Loads a picture file; the name must not be in the store already.
  void LoadFromFile(const std::string& FileName);
  void LoadFromStream(core::ByteSpan Bytes, const std::string& FileName, TMSOBlipType Kind);
  // The picture as a file: a DIB gets its bitmap file header back.
  void SaveToStream(core::ByteWriter& W) const;
  core::Bytes SaveToBytes() const;

  // Reads one BSE; False when the entry holds no usable picture (never referenced, or no BLIP).
  bool ReadFromStream(core::ByteReader& R, std::int64_t& Length);
  // The BSE with its BLIP. Call Compress first for a metafile (the group's writer does).
  void WriteBSE(core::ByteWriter& W);
  // Size of the BSE with its BLIP as WriteBSE writes it; compresses a metafile first.
  std::uint32_t Compress();

  void ComputeId() { Id = io::TMD4Hash::Of(Data); }

private:
  TEscherGroup* owner_;
  core::Bytes compressed_;
};

struct TDGGData {
  std::uint32_t DgId = 0;
  std::uint32_t CSpIdCur = 0;
  TEscherDrawingBase* Drawing = nullptr;
  bool Changed = false;
};

// The drawing group's counters and shape-id clusters (OfficeArtFDGGBlock).
struct TDGG {
  std::uint32_t SpIdMax = 0;
  std::uint32_t CSpSaved = 0;
  std::uint32_t CDgSaved = 0;
  std::vector<TDGGData> Clusters;

  TDGGData* Find(std::uint32_t DgId);
};

class TEscherGroup {
public:
  TDGG DGG;
  TOPT DefaultProperties;
  std::vector<std::uint32_t> SplitMenuColors;
  std::vector<std::uint32_t> MRUColors;
  TMSORecords OtherRecords;

  // A drawing's first shape: gives it a drawing id and the first shape id of its range.
  void NewDrawing(TEscherDrawingBase* Drawing, std::uint32_t& DgId, std::uint32_t& SpIdBase);
  // A drawing read from a file with drawing id DgId.
  void AttachDrawing(TEscherDrawingBase* Drawing, std::uint32_t DgId);
  void MarkChanged(std::uint32_t DgId);
  void RemoveCluster(std::uint32_t DgId);
  std::uint32_t NextSpIdBase();

  TMSOPicture& AddPicture();
  TMSOPicture& GetItem(int Index) { return *pictures_.at(Index); }
  int Count() const { return static_cast<int>(pictures_.size()); }
  void Delete(int Index) { pictures_.erase(pictures_.begin() + Index); }
  void GetFileIndexes(std::vector<int>& List) const;
  // Before a write: every picture counts as unused until a shape refers to it (the drawings'
  // MarkUsedPictures), so that pictures no shape uses any more are not written. Nothing happens
  // while KeepPictureCounts is set.
  void ResetPictureCounts();
  // Set when a drawing of the file read stays as its raw records: its references to pictures are
  // not seen, so the counts of the file stay.
  bool KeepPictureCounts = false;
  // Empties everything but the MRU colours and the next spid base.
  void Clear();
  bool HasDrawings() const { return DefaultProperties.Entries() > 0; }

  // Reads the DggContainer from an MSODRAWINGGROUP record; the caller has turned on CONTINUE reading.
  void ReadFromStream(TXLSStream& Stream);
  // The same from the joined record bodies.
  void ReadFromBuffer(core::ByteSpan Body);
  // Writes the MSODRAWINGGROUP record; the caller has set the stream's record limit.
  void WriteToStream(TXLSStream& Stream);
  // The DggContainer as written (without the BIFF record header).
  core::Bytes SaveToBuffer();

private:
  void ReadPictures(core::ByteReader& R, std::int64_t Length);

  std::vector<std::unique_ptr<TMSOPicture>> pictures_;
  std::uint32_t next_spid_base_ = 0;
};

}  // namespace biff
