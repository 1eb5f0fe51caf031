// The picture store: every image of a workbook once, with its bytes, so that drawings refer to it
// instead of holding image data. Pictures come from the package reader (image parts of drawings)
// and from the programming interface (a file name and its data); the package writer asks the store
// for each drawing's image relationship and the store writes each image part once per save.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "workbook/error_manager.h"
#include "workbook/object_list.h"
#include "workbook/streams.h"

namespace workbook {

enum TXc12ImageType : std::uint8_t { xitJpeg, xitPng, xitEmf, xitWmf, xitUnknown };

// What the store needs of the package being written: the package writer implements it over its
// container and the drawing it is writing.
class TXc12ImagePackage {
public:
  virtual ~TXc12ImagePackage() = default;
  // Relates the image part "../media/image<N>.<Ext>" to the drawing being written (reusing the
  // relationship that drawing already has to it) and returns the relationship id.
  virtual std::u16string RelateImage(int N, const std::u16string& Ext) = 0;
  // Stores the bytes of that image part in the package.
  virtual void WriteImagePart(int N, const std::u16string& Ext, const std::uint8_t* Data, std::size_t Size) = 0;
};

class TXc12GraphicImage : public TIndexObject {
public:
  std::u16string OwnerId;         // relationship id of the drawing it was read under
  std::u16string RelationshipId;  // its relationship id within that drawing
  std::int32_t RefCount = 1;
  std::uint8_t ImageType = xitUnknown;
  std::vector<std::uint8_t> Data;
  std::u16string Name;      // part target of a read picture, "Image<n>.<ext>" of an added one
  std::u16string FileName;  // the file name it was added under
  bool Written = false;
  std::int32_t Width = 0, Height = 0;  // pixels; 0 when not measured
  // Further drawings of a read workbook that use the same part: their (OwnerId, RelationshipId).
  std::vector<std::pair<std::u16string, std::u16string>> OtherOwners;

  std::int32_t Size() const { return static_cast<std::int32_t>(Data.size()); }
};

class TXc12GraphicImages : public TIndexObjectList<TXc12GraphicImage> {
public:
  explicit TXc12GraphicImages(TXLSErrorManager* Errors) : Errors_(Errors) {}

  // The package reader's entry, once per image relationship of a drawing.
  TXc12GraphicImage* AddFromPackage(TStream& Stream, const std::u16string& Ext, const std::u16string& Target,
                                    const std::u16string& OwnerId, const std::u16string& RelId);
  // The programming interface's entry; nil (after a warning) when the picture cannot be used.
  TXc12GraphicImage* AddPicture(TStream& Stream, const std::u16string& FileName);
  TXc12GraphicImage* FindByRel(const std::u16string& OwnerId, const std::u16string& RelId) const;
  TXc12GraphicImage* FindByName(const std::u16string& Name) const;
  // Letter case ignored.
  TXc12GraphicImage* FindByFileName(const std::u16string& FileName) const;
  TXc12GraphicImage* AddNew(TStream& Stream, std::uint8_t ImageType);
  TXc12GraphicImage* GetItems(int Index) const { return GetItem(Index); }

  static std::uint8_t TypeFromName(const std::u16string& Name);
  // "jpeg", "png", "emf", "wmf"; raises "Unknown image type" for any other type.
  static std::u16string ExtensionOf(std::uint8_t ImageType);
  // Size in pixels from the image's header; the stream is at position 0 afterwards.
  static bool GetImageSize(TStream& Stream, std::uint8_t ImageType, std::int32_t& Width, std::int32_t& Height);
  static bool GetImageSize(const std::uint8_t* Data, std::size_t Size, std::uint8_t ImageType, std::int32_t& Width,
                           std::int32_t& Height);

private:
  TXLSErrorManager* Errors_;
};

class TXc12GraphicManager {
public:
  explicit TXc12GraphicManager(TXLSErrorManager* AErrors) : Errors(AErrors), Images(AErrors) {}

  void Clear() { Images.Clear(); }
  void ResetWritten();
  // The relationship id of Image under the drawing being written; its part is written once a save.
  void WriteImage(TXc12GraphicImage& Image, std::u16string& RelId);

  TXLSErrorManager* Errors;  // not owned
  TXc12GraphicImages Images;
  TXc12ImagePackage* Package = nullptr;  // not owned; set by the package writer
};

}  // namespace workbook
