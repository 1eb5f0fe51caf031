// TPDFDocument: produces one PDF file per cycle of BeginDoc, drawing on pages, and EndDoc (or
// Abort). It numbers the indirect objects, writes them in sequence and finishes the file with the
// cross-reference table and the trailer.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/clock.h"
#include "platform/components/classes.h"
#include "pdf/errors.h"
#include "pdf/page_canvas.h"
#include "pdf/resources.h"
#include "pdf/security.h"

namespace pdf {

class TPDFPage;
class TPDFPages;
class TFontProvider;
class TPDFInteractive;
class TContentSpool;

enum class TCompressionType { ctNone, ctFlate };
enum class TPageLayout { plSinglePage, plOneColumn, plTwoColumnLeft, plTwoColumnRight };
enum class TPageMode { pmUseNone, pmUseOutlines, pmUseThumbs, pmFullScreen };
enum class TPDFVersion { v13, v14, v15, v16 };
enum TViewerPreference : unsigned {
  vpHideToolBar = 1u << 0,
  vpHideMenuBar = 1u << 1,
  vpHideWindowUI = 1u << 2,
  vpFitWindow = 1u << 3,
  vpCenterWindow = 1u << 4,
};
using TViewerPreferences = unsigned;

class TPDFDocInfo {
public:
  std::string Author;
  std::string Creator;
  std::string Keywords;
  std::string Subject;
  std::string Title;
  std::string Producer;
  core::LocalTime CreationDate;
  int ObjectNumber = 0;
};

// A non-visual component: an owner frees it with itself, and its properties are published under
// the names a form definition stores them by (sets as "[coPrint,coAssemble]", the information
// dictionary's fields as "DocumentInfo.Author" and so on).
class TPDFDocument : public platform::components::TComponent {
public:
  explicit TPDFDocument(platform::components::TComponent* owner = nullptr);
  // Neither finishes nor aborts a document being generated, but never leaves a file handle open.
  ~TPDFDocument() override;
  std::string ClassName() const override { return "TPDFDocument"; }

  // --- properties -------------------------------------------------------------------------
  bool GetAutoLaunch() const { return auto_launch_; }
  void SetAutoLaunch(bool v) { auto_launch_ = v; }
  const std::string& GetFileName() const { return file_name_; }
  void SetFileName(const std::string& v);
  TCompressionType GetCompression() const { return compression_; }
  void SetCompression(TCompressionType v) { compression_ = v; }
  // Copies Creator, CreationDate, Author, Title, Subject and Keywords (not Producer).
  const TPDFDocInfo& GetDocumentInfo() const { return info_; }
  TPDFDocInfo& DocumentInfo() { return info_; }
  void SetDocumentInfo(const TPDFDocInfo& v);
  TPageLayout GetPageLayout() const { return page_layout_; }
  void SetPageLayout(TPageLayout v) { page_layout_ = v; }
  TPageMode GetPageMode() const { return page_mode_; }
  void SetPageMode(TPageMode v) { page_mode_ = v; }
  bool GetProtectionEnabled() const { return protection_enabled_; }
  void SetProtectionEnabled(bool v);
  TPDFCtiptoOptions GetProtectionOptions() const { return protection_options_; }
  void SetProtectionOptions(TPDFCtiptoOptions v);
  const std::string& GetOwnerPassword() const { return owner_password_; }
  void SetOwnerPassword(const std::string& v);
  const std::string& GetUserPassword() const { return user_password_; }
  void SetUserPassword(const std::string& v);
  const std::vector<std::string>& GetNonEmbeddedFont() const { return non_embedded_font_; }
  void SetNonEmbeddedFont(const std::vector<std::string>& v) { non_embedded_font_ = v; }
  int GetJPEGQuality() const { return jpeg_quality_; }
  void SetJPEGQuality(int v) { jpeg_quality_ = v; }
  int Resolution = 72;
  TViewerPreferences ViewerPreferences = 0;
  bool AutoCreateURL = true;
  bool GetOnePass() const { return one_pass_; }
  void SetOnePass(bool v);
  TPDFVersion GetVersion() const { return version_; }
  void SetVersion(TPDFVersion v);
  bool EMFImageAsJpeg = false;
  TPDFKeyLength GetProtectionKeyLength() const { return key_length_; }
  void SetProtectionKeyLength(TPDFKeyLength v);
  bool GetEmulateStandardFont() const { return emulate_standard_font_; }
  void SetEmulateStandardFont(bool v);
  bool ReDrawEMFFile = true;

  // A caller's buffer that receives the whole file at EndDoc instead of FileName; Abort then
  // deletes no file. Guarded like FileName.
  std::string* GetOutputStream() const { return output_stream_; }
  void SetOutputStream(std::string* v);

  // Opens the finished file when AutoLaunch is set; errors are ignored. Defaults to the desktop's
  // opener; tests replace it.
  std::function<void(const std::string&)> ShellOpen;

  // --- generating -------------------------------------------------------------------------
  void BeginDoc();
  void NewPage();
  void EndDoc();
  void Abort();
  bool Generating() const { return generating_; }
  bool Aborted() const { return aborted_; }

  // The current page's canvas (nil without a current page or canvas); marks it handed out.
  TMetafileCanvas* GetCanvas();
  // The page being drawn; nil while idle. Pages are freed by EndDoc and Abort.
  TPDFPage* CurrentPage = nullptr;
  // The current page, or "Generation PDF file not activated" while idle.
  TPDFPage& ActivePage();

  TPDFPages& Pages() { return *pages_; }
  // Form pages that pages show first (TPDFPage::SetWatermark takes an index into them).
  TPDFPages& WatermarkPages() { return *watermark_pages_; }
  // A new watermark form page of the default size with a canvas of its own; raises "Generation PDF
  // file not activated" unless generating. Its index is the count before the call.
  TPDFPage* AddWatermark();
  TPDFFonts& Fonts() { return fonts_; }
  TPDFImages& Images() { return images_; }
  TPDFActions& Actions() { return actions_; }
  // Appends an image to the registry; raises "Generation PDF file not activated" unless generating.
  int AddImage(std::unique_ptr<TPDFImage> image);
  // Appends an action and numbers it; same guard.
  TPDFAction* AddAction(std::unique_ptr<TPDFAction> action);

  const ReferenceDeviceContext& ReferenceDC() const { return reference_dc_; }
  // Where fonts, their tables and metrics come from: the installed fonts unless a caller set another.
  const TFontProvider& FontProvider() const;
  void SetFontProvider(const TFontProvider* provider) { font_provider_ = provider; }
  // Called for each web, FTP or mail address that text drawn on a page makes a link of: the box in
  // page units (left, top, right, bottom) and the address. Link annotations plug in here.
  std::function<void(TPDFPage&, int, int, int, int, const std::string&)> OnURLLink;
  PageCanvasSupport& CanvasSupport() { return canvas_support_; }
  // Where finished pages keep their content until the document ends; none while idle and for a
  // document written to memory.
  TContentSpool* Spool() { return spool_.get(); }
  // Outlines, form, radio groups, JavaScript, named destinations, embedded files, open action.
  TPDFInteractive& Interactive() { return *interactive_; }

  // --- object writing ---------------------------------------------------------------------
  int NewObjectNumber();
  // Numbers the object first when Number < 1; "Out of range" beyond the object count.
  void BeginObject(int& number);
  void WriteLine(std::string_view s, bool add_line_end = true);
  void EndDictionary();
  void EndObject();
  void BeginStreamData();
  void EndStreamData();
  int ObjectCount() const { return object_count_; }
  int PageTreeNumber() const { return page_tree_number_; }
  std::uint64_t OutputPosition() const;

  // --- security ---------------------------------------------------------------------------
  bool Is128Bit() const { return key_length_ == TPDFKeyLength::kl128; }
  const SecurityKey& FileKey() const { return file_key_; }
  const SecurityString& OwnerKey() const { return owner_key_; }
  std::int32_t Permission() const { return permission_; }
  const std::string& FileID() const { return file_id_; }
  // Encrypts with the given object's key when protection is on.
  std::string EncryptString(std::string_view s, int object_number) const;
  std::string EncryptHexString(std::string_view hex, int object_number) const;
  void EncryptStream(std::string& data, int object_number) const;
  SecurityString ComputeUserKey() const;

private:
  class Output;

  Output& Out();
  void Reset();
  void MakeFileID();
  void ComputeKeys();
  void AddPageAndCanvas();
  void WriteDocument();
  void WriteInfo();
  void WritePageTree();
  void WriteCatalog();
  void WriteEncryption();
  void WriteXref();
  void WriteTrailer();
  void CheckIdle() const;
  void CheckGenerating() const;
  void PublishProperties();

  bool auto_launch_ = false;
  std::string file_name_;
  TCompressionType compression_ = TCompressionType::ctNone;
  TPDFDocInfo info_;
  TPageLayout page_layout_ = TPageLayout::plSinglePage;
  TPageMode page_mode_ = TPageMode::pmUseNone;
  bool protection_enabled_ = false;
  TPDFCtiptoOptions protection_options_ = 0;
  std::string owner_password_;
  std::string user_password_;
  std::vector<std::string> non_embedded_font_;
  int jpeg_quality_ = 80;
  bool one_pass_ = false;
  TPDFVersion version_ = TPDFVersion::v13;
  TPDFKeyLength key_length_ = TPDFKeyLength::kl40;
  bool emulate_standard_font_ = false;
  std::string* output_stream_ = nullptr;

  bool generating_ = false;
  bool aborted_ = false;
  int object_count_ = 0;
  std::vector<std::uint64_t> offsets_;
  int page_tree_number_ = 0;
  int catalog_number_ = 0;
  int encryption_number_ = 0;
  std::uint64_t xref_offset_ = 0;
  std::unique_ptr<Output> output_;
  std::unique_ptr<TContentSpool> spool_;

  std::unique_ptr<TPDFPages> pages_;
  std::unique_ptr<TPDFPages> watermark_pages_;
  TPDFFonts fonts_;
  TPDFImages images_;
  TPDFActions actions_;

  std::int32_t permission_ = 0;
  SecurityString owner_key_{};
  SecurityKey file_key_{};
  std::string file_id_;

  ReferenceDeviceContext reference_dc_;
  const TFontProvider* font_provider_ = nullptr;
  PageCanvasSupport canvas_support_;
  std::unique_ptr<TPDFInteractive> interactive_;
};

}  // namespace pdf
