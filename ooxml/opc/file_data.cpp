#include "ooxml/opc/file_data.h"

#include "core/unicode.h"
#include "ooxml/opc/opc_streams.h"

namespace ooxml {

namespace {

constexpr char16_t kExtendedPropertiesNamespace[] =
    u"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties";
constexpr char16_t kDocPropsVTypesNamespace[] =
    u"http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes";

std::u16string KeyOf(const std::u16string& PartName) { return core::ascii_lower(PartName); }

std::u16string ExtensionOf(const std::u16string& Name) {
  auto slash = Name.rfind(u'/');
  auto dot = Name.rfind(u'.');
  if (dot == std::u16string::npos || (slash != std::u16string::npos && dot < slash)) return {};
  return Name.substr(dot + 1);
}

}  // namespace

// ---- kept parts -----------------------------------------------------------------------------

TXLSSavedFileData::TXLSSavedFileData() : Children(std::make_unique<TXLSSavedFileDataList>()) {}
TXLSSavedFileData::~TXLSSavedFileData() = default;

TXLSSavedFileData* TXLSSavedFileDataList::Add(const std::u16string& RelType, const std::u16string& Target,
                                              std::unique_ptr<workbook::TMemoryStream> Stream,
                                              const std::u16string& ContentType) {
  auto p = std::make_unique<TXLSSavedFileData>();
  p->RelType = RelType;
  p->Target = Target;
  p->Stream = std::move(Stream);
  p->ContentType = ContentType;
  items_.push_back(std::move(p));
  return items_.back().get();
}

TXLSSavedFileData* TXLSSavedFileDataList::FindByRelType(const std::u16string& RelType) const {
  for (const auto& p : items_) {
    if (p->RelType == RelType) return p.get();
  }
  return nullptr;
}

TXLSSavedFileData* TXLSSavedFileDataList::GetItems(int Index) const {
  if (Index < 0 || Index >= Count()) workbook::RaiseListIndexError(Index);
  return items_[static_cast<std::size_t>(Index)].get();
}

// ---- file data ------------------------------------------------------------------------------

TXc12FileData::TXc12FileData() { SetDefaults(); }
TXc12FileData::~TXc12FileData() = default;

void TXc12FileData::SetDefaults() {
  DocPropsApp.Root().Attributes.AddAttribute(u"xmlns", kExtendedPropertiesNamespace);
  DocPropsApp.Root().Attributes.AddAttribute(u"xmlns:vt", kDocPropsVTypesNamespace);
  CoreProperties.LoadFromString(DefaultCoreProperties());
}

void TXc12FileData::Clear() {
  DocPropsApp.Root().Clear();
  CoreProperties.Clear();
  RootParts.Clear();
  WorkbookParts.Clear();
  sheetIds_.clear();
  sheetIndex_.clear();
  Package.Clear();
  SetDefaults();
}

void TXc12FileData::AddSheetId(const std::u16string& Id) {
  std::string id = core::utf16_to_utf8(Id);
  sheetIndex_.emplace(id, SheetIdCount());
  sheetIds_.emplace_back(std::move(id), nullptr);
}

TXLSSavedFileDataSheet* TXc12FileData::SheetParts(int Index) const {
  if (Index < 0 || Index >= SheetIdCount()) return nullptr;
  return sheetIds_[static_cast<std::size_t>(Index)].second.get();
}

void TXc12FileData::BeginRead(workbook::TStream& Stream) {
  Package.OpenRead(Stream, AlternateZip);
  if (std::unique_ptr<workbook::TStream> s = Package.OpenContentTypes()) {
    ContentTypes.Root().Clear();
    XmlOverTStream xs(*s);
    ContentTypes.LoadFromStream(xs);
  }
  if (std::unique_ptr<workbook::TStream> s = Package.ReadCoreProperties()) {
    XmlOverTStream xs(*s);
    CoreProperties.Parse(xs);
  }
}

void TXc12FileData::CollectUnreadParts() {
  TOPCItemList list;
  Package.LoadUnreadParts(list);
  std::unordered_map<const TOPCItem*, TXLSSavedFileData*> kept;
  for (int i = 0; i < list.Count(); ++i) {
    TOPCItem* item = list.GetItem(i);
    if (item->TargetMode != kOPCInternal) continue;
    const std::u16string& name = item->FileName;
    if (name == u"calcChain.xml" || name == u"app.xml" || name.rfind(u"printerSettings", 0) == 0) continue;
    if (!item->Data) continue;  // missing or unsafe: the container recorded why
    TOPCItem* parent = item->Parent;
    TXLSSavedFileDataList* dest = nullptr;
    std::u16string source;
    if (auto k = kept.find(parent); k != kept.end()) {
      // Hangs off another kept part: written back under it, so its target keeps resolving.
      dest = k->second->Children.get();
    } else if (parent->RelType == reltype::kWorksheet || parent->RelType == reltype::kChartsheet) {
      std::string id = parent->GetId();
      auto s = sheetIndex_.find(id);
      if (s == sheetIndex_.end()) OPCRaise(u"Unknown OPC sheet id \"" + core::utf8_to_utf16(id) + u"\"");
      auto& slot = sheetIds_[static_cast<std::size_t>(s->second)].second;
      if (!slot) slot = std::make_unique<TXLSSavedFileDataSheet>();
      dest = item->RelType == reltype::kTable ? &slot->Tables : &slot->Parts;
    } else if (parent->RelType == reltype::kOfficeDocument) {
      dest = &WorkbookParts;
    } else if (parent == Package.Root()) {
      dest = &RootParts;
    } else if (parent->ReadFlag) {
      // The source was consumed and is written again by the writer: related again from the part
      // written under the same name.
      dest = &RootParts;
      source = parent->GetPartName();
    } else {
      Package.AddProblem(u"Part \"" + item->GetPartName() + u"\" not kept: its source part is not kept");
      continue;
    }
    TXLSSavedFileData* part =
        dest->Add(item->RelType, item->GetTarget(), std::move(item->Data), item->ContentType);
    part->SourcePartName = source;
    if (part->ContentType.empty()) part->DefaultContentType = Package.ContentTypes().ContentTypeOf(item->GetPartName());
    kept.emplace(item, part);
  }
}

void TXc12FileData::BeginWrite(workbook::TStream& Stream) {
  Package.Clear();
  keptWritten_.clear();
  Package.OpenWrite(Stream, AlternateZip);
  workbook::TMemoryStream ms;
  XmlOverTStream xs(ms);
  CoreProperties.SaveToStream(xs);
  Package.AddCoreProperties(ms);
}

void TXc12FileData::WriteKept(TOPCItem* Parent, TXLSSavedFileData& Part) {
  if (!Part.Stream) return;
  TOPCItem* existing = Parent->FindByTarget(Part.Target);
  std::u16string name;
  {
    TOPCItem probe(&Package, Parent);
    probe.SetTarget(Part.Target);
    name = probe.GetPartName();
  }
  if (!OPCIsValidPartName(name)) {
    Package.AddProblem(u"Kept part \"" + Part.Target + u"\" lies outside the package; dropped");
    return;
  }
  TOPCItem* item = nullptr;
  if (Package.HasPart(name)) {
    if (!keptWritten_.count(KeyOf(name)) && !existing) {
      Package.AddProblem(u"Kept part \"" + name + u"\" clashes with a part already written; dropped");
      return;
    }
    // Already stored from kept data: only the relationship is added.
    item = Package.CreateItem(Parent, Part.RelType, Part.Target, Part.ContentType);
  } else {
    item = Package.CreateItem(Parent, Part.RelType, Part.Target, Part.ContentType);
    if (Part.ContentType.empty() && !Part.DefaultContentType.empty() &&
        Package.ContentTypes().ContentTypeOf(name).empty()) {
      std::u16string ext = ExtensionOf(name);
      if (ext.empty()) {
        Package.ContentTypes().AddOverride(name, Part.DefaultContentType);
      } else {
        Package.ContentTypes().AddDefault(ext, Part.DefaultContentType);
      }
    }
    Package.WriteItem(item, *Part.Stream);
    keptWritten_.insert(KeyOf(name));
  }
  Package.CloseItem(item);
  for (int i = 0; i < Part.Children->Count(); ++i) WriteKept(item, *Part.Children->GetItems(i));
}

TOPCItem* TXc12FileData::FindWrittenPart(TOPCItem* From, const std::u16string& PartName) const {
  for (int i = 0; i < From->GetCount(); ++i) {
    TOPCItem* child = From->GetItem(i);
    if (child->TargetMode != kOPCInternal) continue;
    if (core::ascii_iequals(child->GetPartName(), PartName)) return child;
    if (TOPCItem* found = FindWrittenPart(child, PartName)) return found;
  }
  return nullptr;
}

void TXc12FileData::WriteSheetParts(int SheetIndex, TOPCItem* SheetItem) {
  TXLSSavedFileDataSheet* sheet = SheetParts(SheetIndex);
  if (!sheet || !SheetItem) return;
  for (int i = 0; i < sheet->Parts.Count(); ++i) WriteKept(SheetItem, *sheet->Parts.GetItems(i));
  for (int i = 0; i < sheet->Tables.Count(); ++i) WriteKept(SheetItem, *sheet->Tables.GetItems(i));
}

void TXc12FileData::WriteSavedParts() {
  for (int i = 0; i < RootParts.Count(); ++i) {
    TXLSSavedFileData& part = *RootParts.GetItems(i);
    TOPCItem* parent = Package.Root();
    if (!part.SourcePartName.empty()) {
      parent = FindWrittenPart(Package.Root(), part.SourcePartName);
      if (!parent) {
        Package.AddProblem(u"Kept part \"" + part.Target + u"\" dropped: \"" + part.SourcePartName +
                           u"\" was not written again");
        continue;
      }
    }
    WriteKept(parent, part);
  }
  if (WorkbookParts.Count() > 0) Package.CheckWorkbook();
  for (int i = 0; i < WorkbookParts.Count(); ++i) WriteKept(Package.WorkbookItem, *WorkbookParts.GetItems(i));
}

void TXc12FileData::WriteDefaultTheme() {
  std::string theme = DefaultThemeXml();
  workbook::TMemoryStream ms(std::vector<std::uint8_t>(theme.begin(), theme.end()));
  TOPCItem* item = Package.AddTheme(ms, 1);
  Package.CloseItem(item);
}

void TXc12FileData::EndWrite() {
  if (!WorkbookParts.FindByRelType(reltype::kTheme)) WriteDefaultTheme();
  WriteSavedParts();
  Package.Close();
}

// ---- default documents ----------------------------------------------------------------------

std::u16string DefaultCoreProperties() {
  return u"<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r"
         u"<cp:coreProperties"
         u" xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\""
         u" xmlns:dc=\"http://purl.org/dc/elements/1.1/\""
         u" xmlns:dcterms=\"http://purl.org/dc/terms/\""
         u" xmlns:dcmitype=\"http://purl.org/dc/dcmitype/\""
         u" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\r"
         u"  <dc:creator></dc:creator>\r"
         u"  <cp:lastModifiedBy></cp:lastModifiedBy>\r"
         u"  <dcterms:created xsi:type=\"dcterms:W3CDTF\">2000-01-01T12:00:00Z</dcterms:created>\r"
         u"  <dcterms:modified xsi:type=\"dcterms:W3CDTF\">2000-01-01T12:00:00Z</dcterms:modified>\r"
         u"</cp:coreProperties>";
}

namespace {

struct ScriptFont {
  const char* Script;
  const char* Major;
  const char* Minor;
};

// The per-script fonts of the theme's major and minor font lists.
const ScriptFont kScriptFonts[] = {
    {"Jpan", "\xEF\xBC\xAD\xEF\xBC\xB3 \xEF\xBC\xB0\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF",
     "\xEF\xBC\xAD\xEF\xBC\xB3 \xEF\xBC\xB0\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF"},
    {"Hang", "\xEB\xA7\x91\xEC\x9D\x80 \xEA\xB3\xA0\xEB\x94\x95", "\xEB\xA7\x91\xEC\x9D\x80 \xEA\xB3\xA0\xEB\x94\x95"},
    {"Hans", "\xE5\xAE\x8B\xE4\xBD\x93", "\xE5\xAE\x8B\xE4\xBD\x93"},
    {"Hant", "\xE6\x96\xB0\xE7\xB4\xB0\xE6\x98\x8E\xE9\xAB\x94", "\xE6\x96\xB0\xE7\xB4\xB0\xE6\x98\x8E\xE9\xAB\x94"},
    {"Arab", "Times New Roman", "Arial"},
    {"Hebr", "Times New Roman", "Arial"},
    {"Thai", "Tahoma", "Tahoma"},
    {"Ethi", "Nyala", "Nyala"},
    {"Beng", "Vrinda", "Vrinda"},
    {"Gujr", "Shruti", "Shruti"},
    {"Khmr", "MoolBoran", "DaunPenh"},
    {"Knda", "Tunga", "Tunga"},
    {"Guru", "Raavi", "Raavi"},
    {"Cans", "Euphemia", "Euphemia"},
    {"Cher", "Plantagenet Cherokee", "Plantagenet Cherokee"},
    {"Yiii", "Microsoft Yi Baiti", "Microsoft Yi Baiti"},
    {"Tibt", "Microsoft Himalaya", "Microsoft Himalaya"},
    {"Thaa", "MV Boli", "MV Boli"},
    {"Deva", "Mangal", "Mangal"},
    {"Telu", "Gautami", "Gautami"},
    {"Taml", "Latha", "Latha"},
    {"Syrc", "Estrangelo Edessa", "Estrangelo Edessa"},
    {"Orya", "Kalinga", "Kalinga"},
    {"Mlym", "Kartika", "Kartika"},
    {"Laoo", "DokChampa", "DokChampa"},
    {"Sinh", "Iskoola Pota", "Iskoola Pota"},
    {"Mong", "Mongolian Baiti", "Mongolian Baiti"},
    {"Viet", "Times New Roman", "Arial"},
    {"Uigh", "Microsoft Uighur", "Microsoft Uighur"},
    {"Geor", "Sylfaen", "Sylfaen"},
};

}  // namespace

std::string DefaultThemeXml() {
  std::string x;
  auto line = [&x](int depth, const std::string& text) {
    x += '\r';
    x.append(static_cast<std::size_t>(depth), '\t');
    x += text;
  };
  x = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>";
  line(0, "<a:theme xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" name=\"Office Theme\">");
  line(1, "<a:themeElements>");
  line(2, "<a:clrScheme name=\"Office\">");
  line(3, "<a:dk1><a:sysClr val=\"windowText\" lastClr=\"000000\"/></a:dk1>");
  line(3, "<a:lt1><a:sysClr val=\"window\" lastClr=\"FFFFFF\"/></a:lt1>");
  const char* const colours[][2] = {{"dk2", "1F497D"},     {"lt2", "EEECE1"},     {"accent1", "4F81BD"},
                                    {"accent2", "C0504D"}, {"accent3", "9BBB59"}, {"accent4", "8064A2"},
                                    {"accent5", "4BACC6"}, {"accent6", "F79646"}, {"hlink", "0000FF"},
                                    {"folHlink", "800080"}};
  for (const auto& c : colours) {
    line(3, std::string("<a:") + c[0] + "><a:srgbClr val=\"" + c[1] + "\"/></a:" + c[0] + ">");
  }
  line(2, "</a:clrScheme>");
  line(2, "<a:fontScheme name=\"Office\">");
  for (int major = 1; major >= 0; --major) {
    const char* tag = major ? "a:majorFont" : "a:minorFont";
    line(3, std::string("<") + tag + ">");
    line(4, std::string("<a:latin typeface=\"") + (major ? "Cambria" : "Calibri") + "\"/>");
    line(4, "<a:ea typeface=\"\"/>");
    line(4, "<a:cs typeface=\"\"/>");
    for (const ScriptFont& f : kScriptFonts) {
      line(4, std::string("<a:font script=\"") + f.Script + "\" typeface=\"" + (major ? f.Major : f.Minor) + "\"/>");
    }
    line(3, std::string("</") + tag + ">");
  }
  line(2, "</a:fontScheme>");
  line(2, "<a:fmtScheme name=\"Office\">");
  line(3, "<a:fillStyleLst>");
  line(4, "<a:solidFill><a:schemeClr val=\"phClr\"/></a:solidFill>");
  line(4,
       "<a:gradFill rotWithShape=\"1\"><a:gsLst>"
       "<a:gs pos=\"0\"><a:schemeClr val=\"phClr\"><a:tint val=\"50000\"/><a:satMod val=\"300000\"/></a:schemeClr></a:gs>"
       "<a:gs pos=\"35000\"><a:schemeClr val=\"phClr\"><a:tint val=\"37000\"/><a:satMod val=\"300000\"/></a:schemeClr></a:gs>"
       "<a:gs pos=\"100000\"><a:schemeClr val=\"phClr\"><a:tint val=\"15000\"/><a:satMod val=\"350000\"/></a:schemeClr></a:gs>"
       "</a:gsLst><a:lin ang=\"16200000\" scaled=\"1\"/></a:gradFill>");
  line(4,
       "<a:gradFill rotWithShape=\"1\"><a:gsLst>"
       "<a:gs pos=\"0\"><a:schemeClr val=\"phClr\"><a:shade val=\"51000\"/><a:satMod val=\"130000\"/></a:schemeClr></a:gs>"
       "<a:gs pos=\"80000\"><a:schemeClr val=\"phClr\"><a:shade val=\"93000\"/><a:satMod val=\"130000\"/></a:schemeClr></a:gs>"
       "<a:gs pos=\"100000\"><a:schemeClr val=\"phClr\"><a:shade val=\"94000\"/><a:satMod val=\"135000\"/></a:schemeClr></a:gs>"
       "</a:gsLst><a:lin ang=\"16200000\" scaled=\"0\"/></a:gradFill>");
  line(3, "</a:fillStyleLst>");
  line(3, "<a:lnStyleLst>");
  line(4,
       "<a:ln w=\"9525\" cap=\"flat\" cmpd=\"sng\" algn=\"ctr\"><a:solidFill><a:schemeClr val=\"phClr\">"
       "<a:shade val=\"95000\"/><a:satMod val=\"105000\"/></a:schemeClr></a:solidFill><a:prstDash val=\"solid\"/></a:ln>");
  for (const char* w : {"25400", "38100"}) {
    line(4, std::string("<a:ln w=\"") + w +
                "\" cap=\"flat\" cmpd=\"sng\" algn=\"ctr\"><a:solidFill><a:schemeClr val=\"phClr\"/></a:solidFill>"
                "<a:prstDash val=\"solid\"/></a:ln>");
  }
  line(3, "</a:lnStyleLst>");
  line(3, "<a:effectStyleLst>");
  line(4,
       "<a:effectStyle><a:effectLst><a:outerShdw blurRad=\"40000\" dist=\"20000\" dir=\"5400000\" rotWithShape=\"0\">"
       "<a:srgbClr val=\"000000\"><a:alpha val=\"38000\"/></a:srgbClr></a:outerShdw></a:effectLst></a:effectStyle>");
  line(4,
       "<a:effectStyle><a:effectLst><a:outerShdw blurRad=\"40000\" dist=\"23000\" dir=\"5400000\" rotWithShape=\"0\">"
       "<a:srgbClr val=\"000000\"><a:alpha val=\"35000\"/></a:srgbClr></a:outerShdw></a:effectLst></a:effectStyle>");
  line(4,
       "<a:effectStyle><a:effectLst><a:outerShdw blurRad=\"40000\" dist=\"23000\" dir=\"5400000\" rotWithShape=\"0\">"
       "<a:srgbClr val=\"000000\"><a:alpha val=\"35000\"/></a:srgbClr></a:outerShdw></a:effectLst>"
       "<a:scene3d><a:camera prst=\"orthographicFront\"><a:rot lat=\"0\" lon=\"0\" rev=\"0\"/></a:camera>"
       "<a:lightRig rig=\"threePt\" dir=\"t\"><a:rot lat=\"0\" lon=\"0\" rev=\"1200000\"/></a:lightRig></a:scene3d>"
       "<a:sp3d><a:bevelT w=\"63500\" h=\"25400\"/></a:sp3d></a:effectStyle>");
  line(3, "</a:effectStyleLst>");
  line(3, "<a:bgFillStyleLst>");
  line(4, "<a:solidFill><a:schemeClr val=\"phClr\"/></a:solidFill>");
  line(4,
       "<a:gradFill rotWithShape=\"1\"><a:gsLst>"
       "<a:gs pos=\"0\"><a:schemeClr val=\"phClr\"><a:tint val=\"40000\"/><a:satMod val=\"350000\"/></a:schemeClr></a:gs>"
       "<a:gs pos=\"40000\"><a:schemeClr val=\"phClr\"><a:tint val=\"45000\"/><a:shade val=\"99000\"/>"
       "<a:satMod val=\"350000\"/></a:schemeClr></a:gs>"
       "<a:gs pos=\"100000\"><a:schemeClr val=\"phClr\"><a:shade val=\"20000\"/><a:satMod val=\"255000\"/></a:schemeClr></a:gs>"
       "</a:gsLst><a:path path=\"circle\"><a:fillToRect l=\"50000\" t=\"-80000\" r=\"50000\" b=\"180000\"/></a:path>"
       "</a:gradFill>");
  line(4,
       "<a:gradFill rotWithShape=\"1\"><a:gsLst>"
       "<a:gs pos=\"0\"><a:schemeClr val=\"phClr\"><a:tint val=\"80000\"/><a:satMod val=\"300000\"/></a:schemeClr></a:gs>"
       "<a:gs pos=\"100000\"><a:schemeClr val=\"phClr\"><a:shade val=\"30000\"/><a:satMod val=\"200000\"/></a:schemeClr></a:gs>"
       "</a:gsLst><a:path path=\"circle\"><a:fillToRect l=\"50000\" t=\"50000\" r=\"50000\" b=\"50000\"/></a:path>"
       "</a:gradFill>");
  line(3, "</a:bgFillStyleLst>");
  line(2, "</a:fmtScheme>");
  line(1, "</a:themeElements>");
  line(1, "<a:objectDefaults/>");
  line(1, "<a:extraClrSchemeLst/>");
  line(0, "</a:theme>");
  return x;
}

}  // namespace ooxml
