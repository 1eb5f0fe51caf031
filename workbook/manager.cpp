#include "workbook/manager.h"

#include <chrono>
#include <cmath>
#include <string>

#include "core/clock.h"
#include "core/unicode.h"
#include "xml/xml_stream.h"
#include "xml/xml_values.h"
#include "workbook/biff_codecs.h"
#include "workbook/cell_references.h"
#include "workbook/format_settings.h"

namespace workbook {

// ---------------------------------------------------------------------------------------------
// TXLSEventCell

void TXLSEventCell::Reset() {
  Col = FirstCol - 1;
  Row = FirstRow;
  AcceptedCol = -1;
  AcceptedRow = -1;
  ClearValue();
}

void TXLSEventCell::ClearValue() {
  ValueType = 0;
  FormulaText.clear();
  IsFormula = false;
  Style = nullptr;
}

bool TXLSEventCell::SetRef(const std::u16string& Text) {
  int c = 0, r = 0;
  if (!RefStrToColRow(Text, c, r)) return false;
  Col = c;
  Row = r;
  return true;
}

void TXLSEventCell::SetFormula(const std::u16string& Text) {
  FormulaText = Text;
  IsFormula = true;
}

void TXLSEventCell::SetAsBoolean(bool Value) {
  BoolValue = Value;
  ValueType = IsFormula ? cvkBooleanFormula : cvkBoolean;
}

void TXLSEventCell::SetAsError(std::uint8_t Value) {
  ErrorValue = Value;
  ValueType = IsFormula ? cvkErrorFormula : cvkError;
}

void TXLSEventCell::SetAsString(const std::u16string& Value) {
  StringValue = Value;
  ValueType = IsFormula ? cvkStringFormula : cvkString;
}

void TXLSEventCell::SetAsFloat(double Value) {
  FloatValue = Value;
  ValueType = IsFormula ? cvkFloatFormula : cvkFloat;
}

// ---------------------------------------------------------------------------------------------
// Kept parts

TXLSSavedFileData::TXLSSavedFileData() : Children(std::make_unique<TXLSSavedFileDataList>()) {}
TXLSSavedFileData::~TXLSSavedFileData() = default;

TXLSSavedFileData* TXLSSavedFileDataList::Add(const std::u16string& RelType, const std::u16string& Target,
                                              std::vector<std::uint8_t> Stream, const std::u16string& ContentType) {
  auto p = std::make_unique<TXLSSavedFileData>();
  p->RelType = RelType;
  p->Target = Target;
  p->Stream = std::move(Stream);
  p->ContentType = ContentType;
  return Add(std::move(p));
}

TXLSSavedFileData* TXLSSavedFileDataList::FindByRelType(const std::u16string& RelType) const {
  for (const auto& p : items_)
    if (p->RelType == RelType) return p.get();
  return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Default texts

const std::u16string& Xc12DefaultCoreProperties() {
  static const std::u16string text =
      u"<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r"
      u"<cp:coreProperties "
      u"xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
      u"xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:dcterms=\"http://purl.org/dc/terms/\" "
      u"xmlns:dcmitype=\"http://purl.org/dc/dcmitype/\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\r"
      u"  <dc:creator></dc:creator>\r"
      u"  <cp:lastModifiedBy></cp:lastModifiedBy>\r"
      u"  <dcterms:created xsi:type=\"dcterms:W3CDTF\">2000-01-01T12:00:00Z</dcterms:created>\r"
      u"  <dcterms:modified xsi:type=\"dcterms:W3CDTF\">2000-01-01T12:00:00Z</dcterms:modified>\r"
      u"</cp:coreProperties>";
  return text;
}

namespace {

// The per-script fonts of both font lists. The East-Asian typefaces are written as their real
// names rather than the question marks an 8-bit conversion once left of them.
std::u16string ScriptFonts(bool Major) {
  struct Entry {
    const char16_t* Script;
    const char16_t* Major;
    const char16_t* Minor;
  };
  static const Entry kEntries[] = {
      {u"Jpan", u"游ゴシック", u"游ゴシック"},
      {u"Hang", u"맑은 고딕", u"맑은 고딕"},
      {u"Hans", u"宋体", u"宋体"},
      {u"Hant", u"新細明體", u"新細明體"},
      {u"Arab", u"Times New Roman", u"Arial"},
      {u"Hebr", u"Times New Roman", u"Arial"},
      {u"Thai", u"Tahoma", u"Tahoma"},
      {u"Ethi", u"Nyala", u"Nyala"},
      {u"Beng", u"Vrinda", u"Vrinda"},
      {u"Gujr", u"Shruti", u"Shruti"},
      {u"Khmr", u"MoolBoran", u"DaunPenh"},
      {u"Knda", u"Tunga", u"Tunga"},
      {u"Guru", u"Raavi", u"Raavi"},
      {u"Cans", u"Euphemia", u"Euphemia"},
      {u"Cher", u"Plantagenet Cherokee", u"Plantagenet Cherokee"},
      {u"Yiii", u"Nuosu SIL", u"Nuosu SIL"},
      {u"Tibt", u"Jomolhari", u"Jomolhari"},
      {u"Thaa", u"MV Boli", u"MV Boli"},
      {u"Deva", u"Mangal", u"Mangal"},
      {u"Telu", u"Gautami", u"Gautami"},
      {u"Taml", u"Latha", u"Latha"},
      {u"Syrc", u"Estrangelo Edessa", u"Estrangelo Edessa"},
      {u"Orya", u"Kalinga", u"Kalinga"},
      {u"Mlym", u"Kartika", u"Kartika"},
      {u"Laoo", u"DokChampa", u"DokChampa"},
      {u"Sinh", u"Iskoola Pota", u"Iskoola Pota"},
      {u"Mong", u"Mongolian Baiti", u"Mongolian Baiti"},
      {u"Viet", u"Times New Roman", u"Arial"},
      {u"Uigh", u"UKIJ Tuz", u"UKIJ Tuz"},
      {u"Geor", u"Sylfaen", u"Sylfaen"},
  };
  std::u16string s;
  for (const Entry& e : kEntries) {
    s += u"\t\t\t\t<a:font script=\"";
    s += e.Script;
    s += u"\" typeface=\"";
    s += Major ? e.Major : e.Minor;
    s += u"\"/>\r";
  }
  return s;
}

std::u16string BuildTheme() {
  std::u16string t =
      u"<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r"
      u"<a:theme xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" name=\"Office Theme\">\r"
      u"\t<a:themeElements>\r"
      u"\t\t<a:clrScheme name=\"Office\">\r"
      u"\t\t\t<a:dk1><a:sysClr val=\"windowText\" lastClr=\"000000\"/></a:dk1>\r"
      u"\t\t\t<a:lt1><a:sysClr val=\"window\" lastClr=\"FFFFFF\"/></a:lt1>\r"
      u"\t\t\t<a:dk2><a:srgbClr val=\"1F497D\"/></a:dk2>\r"
      u"\t\t\t<a:lt2><a:srgbClr val=\"EEECE1\"/></a:lt2>\r"
      u"\t\t\t<a:accent1><a:srgbClr val=\"4F81BD\"/></a:accent1>\r"
      u"\t\t\t<a:accent2><a:srgbClr val=\"C0504D\"/></a:accent2>\r"
      u"\t\t\t<a:accent3><a:srgbClr val=\"9BBB59\"/></a:accent3>\r"
      u"\t\t\t<a:accent4><a:srgbClr val=\"8064A2\"/></a:accent4>\r"
      u"\t\t\t<a:accent5><a:srgbClr val=\"4BACC6\"/></a:accent5>\r"
      u"\t\t\t<a:accent6><a:srgbClr val=\"F79646\"/></a:accent6>\r"
      u"\t\t\t<a:hlink><a:srgbClr val=\"0000FF\"/></a:hlink>\r"
      u"\t\t\t<a:folHlink><a:srgbClr val=\"800080\"/></a:folHlink>\r"
      u"\t\t</a:clrScheme>\r"
      u"\t\t<a:fontScheme name=\"Office\">\r"
      u"\t\t\t<a:majorFont>\r"
      u"\t\t\t\t<a:latin typeface=\"Cambria\"/>\r"
      u"\t\t\t\t<a:ea typeface=\"\"/>\r"
      u"\t\t\t\t<a:cs typeface=\"\"/>\r";
  t += ScriptFonts(true);
  t += u"\t\t\t</a:majorFont>\r"
       u"\t\t\t<a:minorFont>\r"
       u"\t\t\t\t<a:latin typeface=\"Calibri\"/>\r"
       u"\t\t\t\t<a:ea typeface=\"\"/>\r"
       u"\t\t\t\t<a:cs typeface=\"\"/>\r";
  t += ScriptFonts(false);
  static const char16_t kGradient1[] =
      u"\t\t\t\t<a:gradFill rotWithShape=\"1\"><a:gsLst>"
      u"<a:gs pos=\"0\"><a:schemeClr val=\"phClr\"><a:tint val=\"50000\"/><a:satMod val=\"300000\"/></a:schemeClr></a:gs>"
      u"<a:gs pos=\"35000\"><a:schemeClr val=\"phClr\"><a:tint val=\"37000\"/><a:satMod val=\"300000\"/></a:schemeClr></a:gs>"
      u"<a:gs pos=\"100000\"><a:schemeClr val=\"phClr\"><a:tint val=\"15000\"/><a:satMod val=\"350000\"/></a:schemeClr></a:gs>"
      u"</a:gsLst><a:lin ang=\"16200000\" scaled=\"1\"/></a:gradFill>\r";
  static const char16_t kGradient2[] =
      u"\t\t\t\t<a:gradFill rotWithShape=\"1\"><a:gsLst>"
      u"<a:gs pos=\"0\"><a:schemeClr val=\"phClr\"><a:shade val=\"51000\"/><a:satMod val=\"130000\"/></a:schemeClr></a:gs>"
      u"<a:gs pos=\"80000\"><a:schemeClr val=\"phClr\"><a:shade val=\"93000\"/><a:satMod val=\"130000\"/></a:schemeClr></a:gs>"
      u"<a:gs pos=\"100000\"><a:schemeClr val=\"phClr\"><a:shade val=\"94000\"/><a:satMod val=\"135000\"/></a:schemeClr></a:gs>"
      u"</a:gsLst><a:lin ang=\"16200000\" scaled=\"0\"/></a:gradFill>\r";
  t += u"\t\t\t</a:minorFont>\r"
       u"\t\t</a:fontScheme>\r"
       u"\t\t<a:fmtScheme name=\"Office\">\r"
       u"\t\t\t<a:fillStyleLst>\r"
       u"\t\t\t\t<a:solidFill><a:schemeClr val=\"phClr\"/></a:solidFill>\r";
  t += kGradient1;
  t += kGradient2;
  t += u"\t\t\t</a:fillStyleLst>\r"
       u"\t\t\t<a:lnStyleLst>\r";
  for (const char16_t* w : {u"9525", u"25400", u"38100"}) {
    t += u"\t\t\t\t<a:ln w=\"";
    t += w;
    t += u"\" cap=\"flat\" cmpd=\"sng\" algn=\"ctr\"><a:solidFill><a:schemeClr val=\"phClr\"/></a:solidFill>"
         u"<a:prstDash val=\"solid\"/></a:ln>\r";
  }
  static const char16_t kShadow[] =
      u"<a:effectLst><a:outerShdw blurRad=\"40000\" dist=\"23000\" dir=\"5400000\" rotWithShape=\"0\">"
      u"<a:srgbClr val=\"000000\"><a:alpha val=\"35000\"/></a:srgbClr></a:outerShdw></a:effectLst>";
  t += u"\t\t\t</a:lnStyleLst>\r"
       u"\t\t\t<a:effectStyleLst>\r";
  t += u"\t\t\t\t<a:effectStyle>";
  t += kShadow;
  t += u"</a:effectStyle>\r\t\t\t\t<a:effectStyle>";
  t += kShadow;
  t += u"</a:effectStyle>\r\t\t\t\t<a:effectStyle>";
  t += kShadow;
  t += u"<a:scene3d><a:camera prst=\"orthographicFront\"><a:rot lat=\"0\" lon=\"0\" rev=\"0\"/></a:camera>"
       u"<a:lightRig rig=\"threePt\" dir=\"t\"><a:rot lat=\"0\" lon=\"0\" rev=\"1200000\"/></a:lightRig></a:scene3d>"
       u"<a:sp3d><a:bevelT w=\"63500\" h=\"25400\"/></a:sp3d></a:effectStyle>\r"
       u"\t\t\t</a:effectStyleLst>\r"
       u"\t\t\t<a:bgFillStyleLst>\r"
       u"\t\t\t\t<a:solidFill><a:schemeClr val=\"phClr\"/></a:solidFill>\r";
  t += kGradient1;
  t += kGradient2;
  t += u"\t\t\t</a:bgFillStyleLst>\r"
       u"\t\t</a:fmtScheme>\r"
       u"\t</a:themeElements>\r"
       u"\t<a:objectDefaults/>\r"
       u"\t<a:extraClrSchemeLst/>\r"
       u"</a:theme>";
  return t;
}

std::vector<std::uint8_t> ToUtf8Bytes(const std::u16string& Text) {
  std::string s = core::utf16_to_utf8(Text);
  return std::vector<std::uint8_t>(s.begin(), s.end());
}

void ParseBytes(ooxml::TXpgSimpleDOM& DOM, const std::vector<std::uint8_t>& Data) {
  ooxml::XmlMemoryStream s(std::string(Data.begin(), Data.end()));
  DOM.Parse(s);
}

std::vector<std::uint8_t> SaveBytes(const ooxml::TXpgSimpleDOM& DOM) {
  ooxml::XmlMemoryStream s;
  DOM.SaveToStream(s);
  return std::vector<std::uint8_t>(s.Data().begin(), s.Data().end());
}

// Days since 1899-12-30 of a wall time; with Local the local calendar fields count.
double ToDateTime(core::WallTime T, bool Local) {
  using namespace std::chrono;
  if (Local) {
    core::LocalTime lt = core::to_local(T);
    auto days = sys_days(year_month_day(year(lt.year), month(static_cast<unsigned>(lt.month)),
                                        day(static_cast<unsigned>(lt.day))));
    double d = static_cast<double>(days.time_since_epoch().count()) + 25569.0;
    return d + (lt.hour * 3600.0 + lt.minute * 60.0 + lt.second) / 86400.0;
  }
  double secs = static_cast<double>(duration_cast<seconds>(T.time_since_epoch()).count());
  return std::floor(secs) / 86400.0 + 25569.0;
}

int YearOf(double DateTime) {
  using namespace std::chrono;
  auto days = sys_days(std::chrono::days(static_cast<long long>(std::floor(DateTime)) - 25569));
  return static_cast<int>(year_month_day(days).year());
}

}  // namespace

const std::u16string& Xc12DefaultTheme() {
  static const std::u16string text = BuildTheme();
  return text;
}

// ---------------------------------------------------------------------------------------------
// TXc12FileData

TXc12FileData::TXc12FileData() { SetDefaults(); }
TXc12FileData::~TXc12FileData() = default;

void TXc12FileData::SetDefaults() {
  if (DocPropsApp.IsEmpty())
    DocPropsApp.LoadFromString(
        u"<Properties xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties\" "
        u"xmlns:vt=\"http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes\"/>");
  CoreProperties.LoadFromString(Xc12DefaultCoreProperties());
}

void TXc12FileData::Clear() {
  DocPropsApp.Clear();
  CoreProperties.Clear();
  ContentTypes.Clear();
  RootParts.Clear();
  WorkbookParts.Clear();
  SheetIds.clear();
  if (Package) Package->Clear();
  SetDefaults();
}

void TXc12FileData::AddSheetId(const std::u16string& Id) { SheetIds.push_back(TSheetIdLine{Id, nullptr}); }

TXLSSavedFileDataSheet* TXc12FileData::SheetParts(int Index) const {
  if (Index < 0 || Index >= SheetIdCount()) return nullptr;
  return SheetIds[static_cast<std::size_t>(Index)].Sheet.get();
}

IXc12Package& TXc12FileData::RequirePackage() const {
  if (!Package) throw Exception(std::string("The Open XML package format is not available"));
  return *Package;
}

void TXc12FileData::BeginRead(TStream& Stream) {
  IXc12Package& pkg = RequirePackage();
  pkg.OpenRead(Stream, AlternateZip);
  std::vector<std::uint8_t> data;
  if (pkg.ReadContentTypes(data)) ParseBytes(ContentTypes, data);
  data.clear();
  if (pkg.ReadCoreProperties(data)) ParseBytes(CoreProperties, data);
}

void TXc12FileData::CollectUnreadParts() {
  IXc12Package& pkg = RequirePackage();
  std::vector<TXc12UnreadPart> parts;
  pkg.LoadUnreadParts(parts);
  // The kept part made of each list entry, to hang kept descendants under their kept source.
  std::vector<TXLSSavedFileData*> kept(parts.size(), nullptr);
  for (std::size_t i = 0; i < parts.size(); ++i) {
    TXc12UnreadPart& p = parts[i];
    if (!p.Internal || p.FileName == u"calcChain.xml" || p.FileName == u"app.xml" ||
        p.FileName.rfind(u"printerSettings", 0) == 0)
      continue;
    if (!p.HasData) continue;  // missing or unsafe: the package noted why
    TXLSSavedFileDataList* list = nullptr;
    std::u16string source;
    const bool keptParent = p.ParentIndex >= 0 && static_cast<std::size_t>(p.ParentIndex) < i &&
                            kept[static_cast<std::size_t>(p.ParentIndex)];
    if (keptParent) {
      // Hangs off another kept part: written back under it, so that its target keeps resolving.
      list = kept[static_cast<std::size_t>(p.ParentIndex)]->Children.get();
    } else if (p.ParentRelType == kRelTypeWorksheet || p.ParentRelType == kRelTypeChartsheet) {
      TSheetIdLine* line = nullptr;
      for (TSheetIdLine& l : SheetIds)
        if (l.Id == p.ParentId) {
          line = &l;
          break;
        }
      if (!line) throw Exception(u"Unknown OPC sheet id \"" + p.ParentId + u"\"");
      if (!line->Sheet) line->Sheet = std::make_unique<TXLSSavedFileDataSheet>();
      list = p.RelType == kRelTypeTable ? &line->Sheet->Tables : &line->Sheet->Parts;
    } else if (p.ParentRelType == kRelTypeOfficeDocument) {
      list = &WorkbookParts;
    } else if (p.ParentIsRoot) {
      list = &RootParts;
    } else if (p.ParentWasRead) {
      // The source was consumed and is written again: related again from the part of that name.
      list = &RootParts;
      source = p.ParentPartName;
    } else {
      pkg.AddProblem(u"Part \"" + p.PartName + u"\" not kept: its source part is not kept");
      continue;
    }
    TXLSSavedFileData* part = list->Add(p.RelType, p.Target, std::move(p.Data), p.ContentType);
    part->SourcePartName = source;
    if (part->ContentType.empty()) part->DefaultContentType = p.DefaultContentType;
    kept[i] = part;
  }
}

void TXc12FileData::BeginWrite(TStream& Stream) {
  IXc12Package& pkg = RequirePackage();
  pkg.Clear();
  pkg.OpenWrite(Stream, AlternateZip);
  pkg.AddCoreProperties(SaveBytes(CoreProperties));
}

void TXc12FileData::WriteSheetParts(int SheetIndex) {
  TXLSSavedFileDataSheet* sheet = SheetParts(SheetIndex);
  if (!sheet) return;
  IXc12Package& pkg = RequirePackage();
  for (const auto& p : sheet->Parts) pkg.WritePart(TXc12PartParent::Sheet, *p);
  for (const auto& p : sheet->Tables) pkg.WritePart(TXc12PartParent::Sheet, *p);
}

void TXc12FileData::EndWrite() {
  IXc12Package& pkg = RequirePackage();
  if (!WorkbookParts.FindByRelType(kRelTypeTheme)) WriteDefaultTheme();
  WriteSavedParts();
  pkg.Close();
}

void TXc12FileData::WriteSavedParts() {
  IXc12Package& pkg = RequirePackage();
  for (const auto& p : RootParts) pkg.WritePart(TXc12PartParent::Root, *p);
  for (const auto& p : WorkbookParts) pkg.WritePart(TXc12PartParent::Workbook, *p);
}

void TXc12FileData::WriteDefaultTheme() { RequirePackage().AddTheme(ToUtf8Bytes(Xc12DefaultTheme()), 1); }

// ---------------------------------------------------------------------------------------------
// TXc12DocProps

double TXc12DocProps::GetCreated() const {
  ooxml::TXpgDOMNode* n = DOM->Root()->Find(u"cp:coreProperties/dcterms:created", false);
  return n ? ooxml::XmlStrToDateTime(n->Text) : 0;
}

void TXc12DocProps::SetCreated(double Value) {
  if (ooxml::TXpgDOMNode* n = DOM->Root()->Find(u"cp:coreProperties/dcterms:created", false))
    n->Text = ooxml::XmlDateTimeToStr(Value);
}

void TXc12DocProps::SetModified(double Value) {
  if (ooxml::TXpgDOMNode* n = DOM->Root()->Find(u"cp:coreProperties/dcterms:modified", false))
    n->Text = ooxml::XmlDateTimeToStr(Value);
}

// ---------------------------------------------------------------------------------------------
// TXc12Manager

TXc12Manager::TXc12Manager(TXLSClassFactory* AClassFactory, TXLSErrorManager* AErrors)
    : Errors(AErrors), ClassFactory(AClassFactory) {
  ReadLocalePaperSize();
  ArrayColSeparator = TFormatSettings::GetDecimalSeparator() == u',' ? u'\\' : u',';
  ListSeparator = TFormatSettings::GetListSeparator();
  EventCell = std::make_unique<TXLSEventCell>();
}

TXc12Manager::~TXc12Manager() {
  // The sheets give their uses back to the shared strings and the style sheet: they go first.
  XLinks.reset();
  Worksheets.reset();
  Workbook.reset();
  SST.reset();
  StyleSheet.reset();
  FileData.reset();
  EventCell.reset();
  Graphics.reset();
  DocProps.reset();
}

void TXc12Manager::CreateParts() {
  FileData = std::make_unique<TXc12FileData>();
  StyleSheet = std::make_unique<TXc12DataStyleSheet>();
  SST = std::make_unique<TXc12DataSST>(StyleSheet.get());
  Workbook = std::make_unique<TXc12DataWorkbook>(ClassFactory);
  Worksheets = std::make_unique<TXc12DataWorksheets>(ClassFactory, StyleSheet.get(), SST.get());
  XLinks = std::make_unique<TXc12DataXLinks>();
  Graphics = std::make_unique<TXc12GraphicManager>(Errors);
  DocProps = std::make_unique<TXc12DocProps>(&FileData->CoreProperties);
}

void TXc12Manager::Clear() {
  XLinks->Clear();
  Worksheets->Clear();
  Workbook->Clear();
  SST->Clear();
  StyleSheet->Clear();
  FileData->Clear();
  Graphics->Clear();
  BIFFExternalNames = nullptr;
}

void TXc12Manager::SetVersion(TExcelVersion Value) {
  Version = Value;
  if (SST) SST->AlreadyEscaped = Value < xvExcel2007;
}

void TXc12Manager::AfterRead() {
  IsReading = false;
  StyleSheet->ApplyPalette();
  SST->AfterRead();
  if (OnAfterRead) OnAfterRead(this);
}

void TXc12Manager::BeforeSave() {
  StyleSheet->Compact();
  Graphics->ResetWritten();
  if (!DocProps->Enabled) return;
  core::WallTime now = core::current_clock().now();
  double created = DocProps->GetCreated();
  if (created == 0 || YearOf(created) <= 2000) DocProps->SetCreated(ToDateTime(now, true));
  DocProps->SetModified(ToDateTime(now, false));
}

void TXc12Manager::BeginProgress(TXLSProgressType AType, int Total) {
  ProgressType = AType;
  ProgressTotal = Total;
  if (OnProgress) OnProgress(AType, xpsBegin, 0);
}

void TXc12Manager::WorkProgress(int Index) {
  if (OnProgress && ProgressTotal > 0) OnProgress(ProgressType, xpsWork, static_cast<double>(Index) / ProgressTotal);
}

void TXc12Manager::EndProgress() {
  if (OnProgress) OnProgress(ProgressType, xpsEnd, 1.0);
}

void TXc12Manager::DoReadCell() {
  if (OnReadCell) OnReadCell(EventCell.get());
}

bool TXc12Manager::AcceptWriteCell() {
  // A cell is accepted only when it comes after the last one in row order: a later row, or a later
  // column of the same row. Rows written out of order would make an invalid sheet.
  TXLSEventCell& e = *EventCell;
  bool ok = e.Row > e.AcceptedRow || (e.Row == e.AcceptedRow && e.Col > e.AcceptedCol);
  e.MoreCells = ok;
  if (ok) {
    e.AcceptedCol = e.Col;
    e.AcceptedRow = e.Row;
  }
  return ok;
}

void TXc12Manager::DoWriteCell(bool Peek) {
  if (!OnWriteCell) return;
  TXLSEventCell& e = *EventCell;
  e.MoreCells = e.LastRow >= e.Row;
  if (!e.HasCell()) return;
  if (e.Col < e.LastCol) {
    if (e.Row < 0) e.Row = e.FirstRow;
    if (Peek) return;
    ++e.Col;
    OnWriteCell(EventCell.get());
  } else {
    e.Col = e.FirstCol - 1;
    ++e.Row;
    e.MoreCells = false;
  }
}

int TXc12Manager::FindTable(const std::u16string& Name, TXc12Tables*& Tables, int& SheetIndex) const {
  std::u16string want = UpperCaseW(Name);
  for (int s = 0; s < Worksheets->Count(); ++s) {
    TXc12DataWorksheet* sheet = Worksheets->GetItem(s);
    for (int t = 0; t < sheet->Tables.Count(); ++t) {
      if (UpperCaseW(sheet->Tables.GetItem(t)->Name) == want) {
        Tables = &sheet->Tables;
        SheetIndex = sheet->Index;
        return t;
      }
    }
  }
  return -1;
}

std::u16string TXc12Manager::GetBookPrefix() const {
  if (Filename.empty()) return std::u16string();
  std::size_t slash = Filename.find_last_of(u"\\/");
  std::size_t cut = slash == std::u16string::npos ? 0 : slash + 1;
  return Filename.substr(0, cut) + u"[" + Filename.substr(cut) + u"]";
}

void TXc12Manager::ReadLocalePaperSize() {
  // The library's locale is fixed and settable; its paper size stands for the system's setting.
  switch (TFormatSettings::GetPaperSize()) {
    case 1: LocalePaperSize = 1; break;
    case 5: LocalePaperSize = 5; break;
    case 8: LocalePaperSize = 8; break;
    default: LocalePaperSize = 9; break;
  }
}

}  // namespace workbook
