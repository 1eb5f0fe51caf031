#include "pdf/document.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>

#include "core/strings.h"
#include "core/unicode.h"
#include "pdf/action.h"
#include "pdf/annotation.h"
#include "pdf/content_spool.h"
#include "pdf/format.h"
#include "io/md5.h"
#include "pdf/metafile_player.h"
#include "pdf/page.h"

namespace pdf {

namespace {
constexpr std::uint64_t kNotWritten = std::numeric_limits<std::uint64_t>::max();
// The cross-reference table holds offsets of ten digits.
constexpr std::uint64_t kMaxOffset = 9999999999ull;

const char* const kDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

void DefaultShellOpen(const std::string& file) {
  std::string quoted = "'";
  for (char c : file) {
    if (c == '\'')
      quoted += "'\\''";
    else
      quoted.push_back(c);
  }
  quoted += "'";
  const std::string command = "xdg-open " + quoted + " >/dev/null 2>&1 &";
  // The opener's own failures are not the document's concern.
  [[maybe_unused]] const int rc = std::system(command.c_str());
}

std::string Ref(int number) { return std::to_string(number) + " 0 R"; }
}  // namespace

PageCanvasSupport& DefaultPageCanvasSupport() {
  static PageCanvasSupport support = MetafileCanvasSupport();
  return support;
}

void TPDFAction::Prepare(TPDFDocument& document) {
  if (ObjectNumber <= 0) ObjectNumber = document.NewObjectNumber();
}

// The file or memory buffer being written, with its byte position.
class TPDFDocument::Output {
public:
  static std::unique_ptr<Output> ToFile(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
      throw core::Error("Cannot create file \"" + path + "\". " + std::strerror(errno));
    std::setvbuf(f, nullptr, _IOFBF, 1 << 16);
    auto out = std::make_unique<Output>();
    out->file_ = f;
    return out;
  }
  static std::unique_ptr<Output> ToMemory() { return std::make_unique<Output>(); }

  ~Output() {
    if (file_ != nullptr) std::fclose(file_);
  }

  void Write(std::string_view s) {
    if (s.empty()) return;
    if (file_ != nullptr) {
      if (std::fwrite(s.data(), 1, s.size(), file_) != s.size())
        throw core::Error(std::string("Cannot write file. ") + std::strerror(errno));
    } else {
      memory_.append(s);
    }
    position_ += s.size();
  }

  // Flushes and closes a file, reporting what the system reports.
  void Close() {
    if (file_ == nullptr) return;
    std::FILE* f = file_;
    file_ = nullptr;
    const bool flushed = std::fflush(f) == 0;
    const int err = errno;
    if (std::fclose(f) != 0 || !flushed)
      throw core::Error(std::string("Cannot write file. ") + std::strerror(flushed ? errno : err));
  }

  std::uint64_t Position() const { return position_; }
  std::string& Memory() { return memory_; }

private:
  std::FILE* file_ = nullptr;
  std::string memory_;
  std::uint64_t position_ = 0;
};

TPDFDocument::TPDFDocument(platform::components::TComponent* owner)
    : TComponent(owner),
      pages_(std::make_unique<TPDFPages>(*this)),
      watermark_pages_(std::make_unique<TPDFPages>(*this, true)),
      canvas_support_(DefaultPageCanvasSupport()),
      interactive_(std::make_unique<TPDFInteractive>(*this)) {
  OnURLLink = [](TPDFPage& page, int left, int top, int right, int bottom, const std::string& url) {
    AddURLLink(page, left, top, right, bottom, url);
  };
  info_.Creator = "PDFwrite program";
  info_.CreationDate = core::local_now();
  info_.Producer = "PDFwrite 3.x";
  info_.Author = "Windows 9x/NT/2000/XP User";
  info_.Title = "No Title";
  info_.Subject = "None";
  info_.Keywords = "PDFwrite";
  ShellOpen = DefaultShellOpen;
  PublishProperties();
}

TPDFDocument::~TPDFDocument() {
  DestroyComponents();
  CurrentPage = nullptr;
  pages_->Clear();
  watermark_pages_->Clear();
}

namespace {

// A set property as a form stores it: "[first,second]" in declaration order of the members.
std::string SetText(unsigned value, const std::vector<std::string>& members) {
  std::string text = "[";
  for (std::size_t i = 0; i < members.size(); ++i)
    if (value & (1u << i)) text += (text.size() > 1 ? "," : "") + members[i];
  return text + "]";
}

unsigned ParseSet(std::string_view text, const std::vector<std::string>& members) {
  const auto invalid = [&] {
    return platform::components::EComponentError("'" + std::string(text) + "' is not a valid set value");
  };
  std::string_view t = core::trim(text);
  if (t.size() < 2 || t.front() != '[' || t.back() != ']') throw invalid();
  t = t.substr(1, t.size() - 2);
  unsigned value = 0;
  while (!core::trim(t).empty()) {
    const std::size_t comma = t.find(',');
    const std::string name(core::trim(t.substr(0, comma)));
    const auto it = std::find_if(members.begin(), members.end(),
                                 [&](const std::string& m) { return core::ascii_iequals(m, name); });
    if (it == members.end()) throw invalid();
    value |= 1u << (it - members.begin());
    if (comma == std::string_view::npos) break;
    t = t.substr(comma + 1);
  }
  return value;
}

}  // namespace

void TPDFDocument::PublishProperties() {
  const std::vector<std::string> crypto = {"coPrint",     "coModifyStructure", "coCopyInformation", "coModifyAnnotation",
                                           "coPrintHi",   "coFillAnnotation",  "coExtractInfo",     "coAssemble"};
  const std::vector<std::string> viewer = {"vpHideToolBar", "vpHideMenuBar", "vpHideWindowUI", "vpFitWindow",
                                           "vpCenterWindow"};
  PublishBool("AutoLaunch", [this] { return auto_launch_; }, [this](bool v) { SetAutoLaunch(v); });
  PublishString("FileName", [this] { return file_name_; }, [this](std::string v) { SetFileName(v); });
  PublishEnum("Compression", {"ctNone", "ctFlate"}, [this] { return static_cast<int>(compression_); },
              [this](int v) { SetCompression(static_cast<TCompressionType>(v)); });
  const std::pair<const char*, std::string TPDFDocInfo::*> info_fields[] = {
      {"DocumentInfo.Author", &TPDFDocInfo::Author},     {"DocumentInfo.Creator", &TPDFDocInfo::Creator},
      {"DocumentInfo.Keywords", &TPDFDocInfo::Keywords}, {"DocumentInfo.Subject", &TPDFDocInfo::Subject},
      {"DocumentInfo.Title", &TPDFDocInfo::Title}};
  for (const auto& [name, member] : info_fields) {
    std::string TPDFDocInfo::*field = member;
    PublishString(name, [this, field] { return info_.*field; }, [this, field](std::string v) { info_.*field = std::move(v); });
  }
  PublishEnum("PageLayout", {"plSinglePage", "plOneColumn", "plTwoColumnLeft", "plTwoColumnRight"},
              [this] { return static_cast<int>(page_layout_); },
              [this](int v) { SetPageLayout(static_cast<TPageLayout>(v)); });
  PublishEnum("PageMode", {"pmUseNone", "pmUseOutlines", "pmUseThumbs", "pmFullScreen"},
              [this] { return static_cast<int>(page_mode_); }, [this](int v) { SetPageMode(static_cast<TPageMode>(v)); });
  PublishBool("ProtectionEnabled", [this] { return protection_enabled_; }, [this](bool v) { SetProtectionEnabled(v); });
  PublishString("ProtectionOptions", [this, crypto] { return SetText(protection_options_, crypto); },
                [this, crypto](std::string v) { SetProtectionOptions(ParseSet(v, crypto)); });
  PublishString("OwnerPassword", [this] { return owner_password_; }, [this](std::string v) { SetOwnerPassword(v); });
  PublishString("UserPassword", [this] { return user_password_; }, [this](std::string v) { SetUserPassword(v); });
  PublishString(
      "NonEmbeddedFont",
      [this] {
        std::string text;
        for (const std::string& line : non_embedded_font_) text += line + "\r\n";
        return text;
      },
      [this](std::string v) {
        platform::components::TStringList lines;
        lines.SetText(v);
        std::vector<std::string> names;
        for (int i = 0; i < lines.Count(); ++i) names.push_back(lines.Get(i));
        SetNonEmbeddedFont(names);
      });
  PublishInt("JPEGQuality", [this] { return jpeg_quality_; }, [this](std::int64_t v) { SetJPEGQuality(static_cast<int>(v)); });
  PublishInt("Resolution", [this] { return Resolution; }, [this](std::int64_t v) { Resolution = static_cast<int>(v); });
  PublishString("ViewerPreferences", [this, viewer] { return SetText(ViewerPreferences, viewer); },
                [this, viewer](std::string v) { ViewerPreferences = ParseSet(v, viewer); });
  PublishBool("AutoCreateURL", [this] { return AutoCreateURL; }, [this](bool v) { AutoCreateURL = v; });
  PublishBool("OnePass", [this] { return one_pass_; }, [this](bool v) { SetOnePass(v); });
  PublishEnum("Version", {"v13", "v14", "v15", "v16"}, [this] { return static_cast<int>(version_); },
              [this](int v) { SetVersion(static_cast<TPDFVersion>(v)); });
  PublishBool("EMFImageAsJpeg", [this] { return EMFImageAsJpeg; }, [this](bool v) { EMFImageAsJpeg = v; });
  PublishEnum("ProtectionKeyLength", {"kl40", "kl128"}, [this] { return static_cast<int>(key_length_); },
              [this](int v) { SetProtectionKeyLength(static_cast<TPDFKeyLength>(v)); });
  PublishBool("EmulateStandardFont", [this] { return emulate_standard_font_; },
              [this](bool v) { SetEmulateStandardFont(v); });
  PublishBool("ReDrawEMFFile", [this] { return ReDrawEMFFile; }, [this](bool v) { ReDrawEMFFile = v; });
}

void TPDFDocument::CheckIdle() const {
  if (generating_) throw TPDFException("Generation PDF file in progress");
}

void TPDFDocument::CheckGenerating() const {
  if (!generating_) throw TPDFException("Generation PDF file not activated");
}

void TPDFDocument::SetFileName(const std::string& v) {
  CheckIdle();
  file_name_ = v;
}

void TPDFDocument::SetDocumentInfo(const TPDFDocInfo& v) {
  info_.Creator = v.Creator;
  info_.CreationDate = v.CreationDate;
  info_.Author = v.Author;
  info_.Title = v.Title;
  info_.Subject = v.Subject;
  info_.Keywords = v.Keywords;
}

void TPDFDocument::SetProtectionEnabled(bool v) {
  CheckIdle();
  protection_enabled_ = v;
}

void TPDFDocument::SetProtectionOptions(TPDFCtiptoOptions v) {
  CheckIdle();
  protection_options_ = v;
}

void TPDFDocument::SetOwnerPassword(const std::string& v) {
  CheckIdle();
  owner_password_ = v;
}

void TPDFDocument::SetUserPassword(const std::string& v) {
  CheckIdle();
  user_password_ = v;
}

void TPDFDocument::SetOnePass(bool v) {
  CheckIdle();
  one_pass_ = v;
}

void TPDFDocument::SetOutputStream(std::string* v) {
  CheckIdle();
  output_stream_ = v;
}

void TPDFDocument::SetVersion(TPDFVersion v) {
  // The keys of a document being written were made for its key length; version 1.3 would drop it.
  if (generating_ && v == TPDFVersion::v13 && key_length_ != TPDFKeyLength::kl40)
    throw TPDFException("Cannot change this value");
  version_ = v;
  if (v == TPDFVersion::v13) key_length_ = TPDFKeyLength::kl40;
}

void TPDFDocument::SetProtectionKeyLength(TPDFKeyLength v) {
  if (generating_ && v != key_length_) throw TPDFException("Cannot change this value");
  key_length_ = v;
  if (v == TPDFKeyLength::kl128 && version_ == TPDFVersion::v13) version_ = TPDFVersion::v14;
}

void TPDFDocument::SetEmulateStandardFont(bool v) {
  if (generating_ && v != emulate_standard_font_) throw TPDFException("Cannot change this value");
  emulate_standard_font_ = v;
}

// --- object writing --------------------------------------------------------------------------

int TPDFDocument::NewObjectNumber() {
  ++object_count_;
  offsets_.resize(static_cast<std::size_t>(object_count_), kNotWritten);
  return object_count_;
}

TPDFDocument::Output& TPDFDocument::Out() {
  if (!output_) throw TPDFException("Generation PDF file not activated");
  return *output_;
}

void TPDFDocument::BeginObject(int& number) {
  Out();
  if (number < 1) number = NewObjectNumber();
  if (number > object_count_) throw TPDFException("Out of range");
  const std::uint64_t pos = output_->Position();
  if (pos > kMaxOffset) throw TPDFException("Out of range");
  offsets_[static_cast<std::size_t>(number - 1)] = pos;
  output_->Write(std::to_string(number) + " 0 obj\r\n<<");
}

void TPDFDocument::WriteLine(std::string_view s, bool add_line_end) {
  Output& out = Out();
  out.Write(s);
  if (add_line_end) out.Write("\r\n");
}

void TPDFDocument::EndDictionary() { Out().Write(">>\r\n"); }
void TPDFDocument::EndObject() { Out().Write("endobj\r\n"); }
void TPDFDocument::BeginStreamData() { Out().Write("stream\r\n"); }
void TPDFDocument::EndStreamData() { Out().Write("endstream\r\n"); }

std::uint64_t TPDFDocument::OutputPosition() const { return output_ ? output_->Position() : 0; }

// --- security --------------------------------------------------------------------------------

std::string TPDFDocument::EncryptString(std::string_view s, int object_number) const {
  return pdf::EncryptString(protection_enabled_, file_key_, Is128Bit(), s, object_number);
}

std::string TPDFDocument::EncryptHexString(std::string_view hex, int object_number) const {
  return pdf::EncryptHexString(protection_enabled_, file_key_, Is128Bit(), hex, object_number);
}

void TPDFDocument::EncryptStream(std::string& data, int object_number) const {
  pdf::EncryptStream(protection_enabled_, file_key_, Is128Bit(), data, object_number);
}

void TPDFDocument::ComputeKeys() {
  owner_key_ = ComputeOwnerKey(owner_password_, user_password_, key_length_);
  file_key_ = ComputeFileKey(user_password_, owner_key_, permission_, file_id_, key_length_);
}

SecurityString TPDFDocument::ComputeUserKey() const {
  std::random_device device;
  std::mt19937 gen(device());
  std::uniform_int_distribution<int> dist(32, 231);
  return pdf::ComputeUserKey(file_key_, file_id_, key_length_,
                             [&] { return static_cast<std::uint8_t>(dist(gen)); });
}

// --- generating ------------------------------------------------------------------------------

void TPDFDocument::Reset() {
  object_count_ = 0;
  info_.ObjectNumber = 0;
  page_tree_number_ = 0;
  catalog_number_ = 0;
  encryption_number_ = 0;
  offsets_.clear();
  CurrentPage = nullptr;
  pages_->Clear();
  watermark_pages_->Clear();
  images_.Clear();
  fonts_.Clear();
  actions_.Clear();
  interactive_->Clear();
  output_.reset();
  spool_.reset();
}

void TPDFDocument::MakeFileID() {
  const core::LocalTime t = core::local_now();
  const std::string stamp =
      core::format("%s %02d-%02d-%04d %02d:%02d:%02d.%03d", kDayNames[(t.day_of_week % 7 + 7) % 7], t.day,
                   t.month, t.year, t.hour, t.minute, t.second, t.millisecond);
  file_id_ = io::MD5HexString(file_name_ + stamp);
}

void TPDFDocument::AddPageAndCanvas() {
  TPDFPage* page = pages_->Add();
  CurrentPage = page;
  page->CreateCanvas();
}

void TPDFDocument::BeginDoc() {
  CheckIdle();
  Reset();
  MakeFileID();
  permission_ = PermissionValue(protection_options_, key_length_);
  if (protection_enabled_) ComputeKeys();
  output_ = output_stream_ != nullptr ? Output::ToMemory() : Output::ToFile(file_name_);
  if (output_stream_ == nullptr) spool_ = std::make_unique<TContentSpool>(file_name_);
  try {
    static const char* const kHeaders[] = {"%PDF-1.3", "%PDF-1.4", "%PDF-1.5", "%PDF-1.6"};
    WriteLine(kHeaders[static_cast<int>(version_)]);
    WriteLine("%\xD2\xE5\xD1\xF2");
    generating_ = true;
    aborted_ = false;
    page_tree_number_ = NewObjectNumber();
    AddPageAndCanvas();
  } catch (...) {
    // Nothing half-begun stays behind: no open file, no partial output.
    generating_ = true;
    Abort();
    aborted_ = false;
    throw;
  }
}

void TPDFDocument::NewPage() {
  CheckGenerating();
  TPDFPage* ended = CurrentPage;
  ended->ClosePage();
  if (one_pass_) ended->WritePage();
  else ended->SpoolContent();  // the page is written at the end, unchanged; it waits on disk
  AddPageAndCanvas();
}

TPDFPage* TPDFDocument::AddWatermark() {
  CheckGenerating();
  TPDFPage* page = watermark_pages_->Add();
  page->CreateCanvas();
  return page;
}

TPDFPage& TPDFDocument::ActivePage() {
  CheckGenerating();
  return *CurrentPage;
}

TMetafileCanvas* TPDFDocument::GetCanvas() {
  if (CurrentPage == nullptr) return nullptr;
  TMetafileCanvas* canvas = CurrentPage->Canvas();
  if (canvas != nullptr) CurrentPage->MarkCanvasHandedOut();
  return canvas;
}

int TPDFDocument::AddImage(std::unique_ptr<TPDFImage> image) {
  CheckGenerating();
  const int index = images_.Count();
  if (image->ResourceName.empty()) image->ResourceName = "Im" + std::to_string(index);
  images_.Add(std::move(image));
  return index;
}

TPDFAction* TPDFDocument::AddAction(std::unique_ptr<TPDFAction> action) {
  CheckGenerating();
  TPDFAction* a = actions_.Add(std::move(action));
  if (a->ObjectNumber < 1) a->ObjectNumber = NewObjectNumber();
  return a;
}

void TPDFDocument::EndDoc() {
  CheckGenerating();
  try {
    WriteDocument();
    output_->Close();
  } catch (...) {
    Abort();
    throw;
  }
  if (output_stream_ != nullptr) *output_stream_ = std::move(output_->Memory());
  Reset();
  generating_ = false;
  aborted_ = false;
  if (output_stream_ == nullptr && auto_launch_ && ShellOpen) {
    try {
      ShellOpen(file_name_);
    } catch (...) {
      // Opening the finished file is a convenience; its failure does not undo the file.
    }
  }
}

void TPDFDocument::Abort() {
  CheckGenerating();
  Reset();
  if (output_stream_ == nullptr && !file_name_.empty()) {
    // Only the unfinished output itself goes; a device or pipe named as output stays.
    std::error_code ec;
    if (std::filesystem::is_regular_file(file_name_, ec))
      std::filesystem::remove(file_name_, ec);
  }
  aborted_ = true;
  generating_ = false;
}

void TPDFDocument::WriteDocument() {
  CheckGenerating();
  CurrentPage->ClosePage();
  if (one_pass_) CurrentPage->WritePage();
  WriteInfo();
  for (int i = 0; i < actions_.Count(); ++i) actions_.Items(i)->Prepare(*this);
  for (int i = 0; i < watermark_pages_->Count(); ++i) watermark_pages_->Items(i)->ClosePage();
  for (int i = 0; i < watermark_pages_->Count(); ++i) watermark_pages_->Items(i)->WritePage();
  WritePageTree();
  if (!one_pass_)
    for (int i = 0; i < pages_->Count(); ++i) pages_->Items(i)->WritePage();
  for (int i = 0; i < actions_.Count(); ++i) actions_.Items(i)->Save(*this);
  interactive_->WriteBeforeCatalog();
  WriteCatalog();
  interactive_->WriteAfterCatalog();
  if (protection_enabled_) WriteEncryption();
  for (int i = 0; i < fonts_.Count(); ++i) fonts_.Items(i)->Save(*this);
  if (!one_pass_)
    for (int i = 0; i < images_.Count(); ++i)
      if (!images_.Items(i)->Written) images_.Items(i)->Save(*this);
  WriteXref();
  WriteTrailer();
}

void TPDFDocument::WriteInfo() {
  BeginObject(info_.ObjectNumber);
  const int n = info_.ObjectNumber;
  auto entry = [&](const char* key, const std::string& value) {
    WriteLine(std::string(key) + " (" + EscapeLiteral(EncryptString(value, n)) + ")");
  };
  const core::LocalTime& d = info_.CreationDate;
  entry("/Creator", info_.Creator);
  entry("/CreationDate",
        core::format("D:%04d%02d%02d%02d%02d%02d", d.year, d.month, d.day, d.hour, d.minute, d.second));
  entry("/Producer", info_.Producer);
  entry("/Author", info_.Author);
  entry("/Title", info_.Title);
  entry("/Subject", info_.Subject);
  entry("/Keywords", info_.Keywords);
  EndDictionary();
  EndObject();
}

void TPDFDocument::WritePageTree() {
  BeginObject(page_tree_number_);
  WriteLine("/Type /Pages");
  WriteLine("/Kids [");
  for (int i = 0; i < pages_->Count(); ++i) WriteLine(Ref(pages_->Items(i)->ObjectNumber()));
  WriteLine("]");
  WriteLine("/Count " + std::to_string(pages_->Count()));
  EndDictionary();
  EndObject();
}

void TPDFDocument::WriteCatalog() {
  BeginObject(catalog_number_);
  WriteLine("/Type /Catalog");
  WriteLine(" /Pages " + Ref(page_tree_number_));
  static const char* const kLayouts[] = {"/PageLayout /SinglePage", "/PageLayout /OneColumn",
                                         "/PageLayout /TwoColumnLeft", "/PageLayout /TwoColumnRight"};
  WriteLine(kLayouts[static_cast<int>(page_layout_)]);
  if (ViewerPreferences != 0) {
    WriteLine("/ViewerPreferences <<");
    if (ViewerPreferences & vpHideToolBar) WriteLine("/HideToolbar true");
    if (ViewerPreferences & vpHideMenuBar) WriteLine("/HideMenubar true");
    if (ViewerPreferences & vpHideWindowUI) WriteLine("/HideWindowUI true");
    if (ViewerPreferences & vpFitWindow) WriteLine("/FitWindow true");
    if (ViewerPreferences & vpCenterWindow) WriteLine("/CenterWindow true");
    WriteLine(">>");
  }
  static const char* const kModes[] = {"/PageMode /UseNone", "/PageMode /UseOutlines", "/PageMode /UseThumbs",
                                       "/PageMode /FullScreen"};
  WriteLine(kModes[static_cast<int>(page_mode_)]);
  interactive_->WriteCatalogEntries();
  EndDictionary();
  EndObject();
}

void TPDFDocument::WriteEncryption() {
  BeginObject(encryption_number_);
  WriteLine("/Filter /Standard");
  if (Is128Bit()) {
    WriteLine("/V 2");
    WriteLine("/R 3");
    WriteLine("/Length 128");
  } else {
    WriteLine("/V 1");
    WriteLine("/R 2");
  }
  WriteLine("/P " + std::to_string(permission_));
  const SecurityString u = ComputeUserKey();
  WriteLine("/O (" + EscapeLiteral(std::string_view(reinterpret_cast<const char*>(owner_key_.data()), 32)) + ")");
  WriteLine("/U (" + EscapeLiteral(std::string_view(reinterpret_cast<const char*>(u.data()), 32)) + ")");
  EndDictionary();
  EndObject();
}

void TPDFDocument::WriteXref() {
  xref_offset_ = output_->Position();
  WriteLine("xref");
  WriteLine("0 " + std::to_string(object_count_ + 1));
  WriteLine("0000000000 65535 f");
  for (int i = 0; i < object_count_; ++i) {
    const std::uint64_t offset = offsets_[static_cast<std::size_t>(i)];
    // A numbered object that was never written would point the table at nothing.
    if (offset == kNotWritten) throw TPDFException("Object " + std::to_string(i + 1) + " was not written");
    WriteLine(ZeroPadInt(static_cast<long long>(offset), 10) + " 00000 n");
  }
}

void TPDFDocument::WriteTrailer() {
  WriteLine("trailer");
  WriteLine("<<");
  WriteLine("/Size " + std::to_string(object_count_ + 1));
  WriteLine("/Root " + Ref(catalog_number_));
  WriteLine("/Info " + Ref(info_.ObjectNumber));
  if (protection_enabled_) WriteLine("/Encrypt " + Ref(encryption_number_));
  WriteLine("/ID [<" + file_id_ + "><" + file_id_ + ">]");
  WriteLine(">>");
  WriteLine("startxref");
  WriteLine(std::to_string(xref_offset_));
  WriteLine("%%EOF");
}

}  // namespace pdf
