#include "pdf/form.h"

#include "pdf/action.h"
#include "pdf/document.h"
#include "pdf/errors.h"
#include "pdf/format.h"
#include "pdf/page.h"

namespace pdf {

namespace {
std::string Ref(int n) { return std::to_string(n) + " 0 R"; }

// PDF names: bytes outside the regular characters as #xx.
std::string PdfName(const std::string& s) {
  std::string out;
  for (unsigned char c : s) {
    if (c > 0x20 && c < 0x7F && std::string_view("#()<>[]{}/%").find(static_cast<char>(c)) == std::string_view::npos)
      out.push_back(static_cast<char>(c));
    else
      out += "#" + HexOfByte(c);
  }
  return out;
}

template <typename T>
T* Place(TPDFPage& page, int left, int top, int right, int bottom) {
  if (page.IsFormPage) throw TPDFException("Cannot create URL to watermark");
  auto owned = std::make_unique<T>(&page);
  T* control = owned.get();
  page.AddAnnotation(std::move(owned));
  control->SetBox(left, top, right, bottom);
  control->Border = "[0 0 1]";
  return control;
}
}  // namespace

void TPDFControl::WriteWidget(TPDFDocument& doc) {
  doc.BeginObject(ObjectNumber);
  doc.WriteLine("/Type /Annot");
  doc.WriteLine("/Subtype /Widget");
  WriteBoxEntries(doc, false);
  doc.WriteLine("/P " + Ref(Page->ObjectNumber()));
}

void TPDFEditBox::Save(TPDFDocument& doc) {
  WriteWidget(doc);
  doc.WriteLine("/FT /Tx");
  doc.WriteLine("/T (" + EscapeLiteral(doc.EncryptString(Name, ObjectNumber)) + ")");
  doc.WriteLine("/V (" + EscapeLiteral(doc.EncryptString(Value, ObjectNumber)) + ")");
  doc.WriteLine("/DA (" + EscapeLiteral(doc.EncryptString("/Helv " + FormatReal(FontSize) + " Tf 0 g", ObjectNumber)) +
                ")");
  if (FieldFlags != 0) doc.WriteLine("/Ff " + std::to_string(FieldFlags & 3));
  doc.EndDictionary();
  doc.EndObject();
}

void TPDFCheckBox::Save(TPDFDocument& doc) {
  WriteWidget(doc);
  doc.WriteLine("/FT /Btn");
  doc.WriteLine("/T (" + EscapeLiteral(doc.EncryptString(Name, ObjectNumber)) + ")");
  const std::string state = Checked ? "/" + PdfName(OnName) : "/Off";
  doc.WriteLine("/V " + state);
  doc.WriteLine("/AS " + state);
  if (FieldFlags != 0) doc.WriteLine("/Ff " + std::to_string(FieldFlags & 3));
  doc.EndDictionary();
  doc.EndObject();
}

void TPDFRadioButton::Save(TPDFDocument& doc) {
  WriteWidget(doc);
  if (Group != nullptr) doc.WriteLine("/Parent " + Ref(Group->ObjectNumber));
  doc.WriteLine(std::string("/AS ") + (Checked ? "/" + PdfName(OnName) : "/Off"));
  doc.EndDictionary();
  doc.EndObject();
}

TPDFRadioGroup::TPDFRadioGroup(TPDFDocument& document, std::string name)
    : ObjectNumber(document.NewObjectNumber()), Name(std::move(name)), document_(document) {}

void TPDFRadioGroup::Save() {
  TPDFDocument& doc = document_;
  doc.BeginObject(ObjectNumber);
  doc.WriteLine("/FT /Btn");
  doc.WriteLine("/T (" + EscapeLiteral(doc.EncryptString(Name, ObjectNumber)) + ")");
  for (TPDFRadioButton* c : Controls)
    if (c->Checked) {
      doc.WriteLine("/V /" + PdfName(c->OnName));
      doc.WriteLine("/DV /" + PdfName(c->OnName));
      break;
    }
  std::string kids = "/Kids [";
  for (TPDFRadioButton* c : Controls) kids += Ref(c->ObjectNumber) + " ";
  doc.WriteLine(kids + "]");
  unsigned flags = 32768;
  if (Controls.size() != 1) flags += 16384;
  if (!Controls.empty()) flags += Controls.front()->FieldFlags & 3;
  doc.WriteLine("/Ff " + std::to_string(flags));
  doc.EndDictionary();
  doc.EndObject();
}

void TPDFAcroForm::Clear() {
  Controls.clear();
  Fonts.clear();
  RadioGroups.clear();
  ObjectNumber = 0;
}

void TPDFAcroForm::Save() {
  if (IsEmpty()) return;
  TPDFDocument& doc = document_;
  // The form's own font objects (the text boxes' default appearance names them).
  for (FormFont& f : Fonts) {
    if (f.ObjectNumber != 0) continue;
    doc.BeginObject(f.ObjectNumber);
    doc.WriteLine("/Type /Font");
    doc.WriteLine("/Subtype /Type1");
    doc.WriteLine("/BaseFont /Helvetica");
    doc.WriteLine("/Encoding /WinAnsiEncoding");
    doc.EndDictionary();
    doc.EndObject();
  }
  int resources = 0;
  doc.BeginObject(resources);
  std::string fonts = "/Font <<";
  for (const FormFont& f : Fonts) fonts += "/" + f.Name + " " + Ref(f.ObjectNumber) + " ";
  doc.WriteLine(fonts + ">>");
  doc.EndDictionary();
  doc.EndObject();
  doc.BeginObject(ObjectNumber);
  std::string fields = "/Fields [";
  for (TPDFControl* c : Controls) fields += Ref(c->ObjectNumber) + " ";
  for (TPDFRadioGroup* g : RadioGroups) fields += Ref(g->ObjectNumber) + " ";
  doc.WriteLine(fields + "]");
  doc.WriteLine("/DR " + Ref(resources));
  std::string co = "/CO [";
  for (TPDFControl* c : Controls)
    if (c->Calculated) co += Ref(c->ObjectNumber) + " ";
  doc.WriteLine(co + "]");
  doc.EndDictionary();
  doc.EndObject();
}

TPDFEditBox* AddEditBox(TPDFPage& page, int left, int top, int right, int bottom, const std::string& name,
                        const std::string& value) {
  TPDFEditBox* box = Place<TPDFEditBox>(page, left, top, right, bottom);
  box->Name = name;
  box->Value = value;
  TPDFAcroForm& form = page.Document().Interactive().AcroForm();
  form.Controls.push_back(box);
  bool have = false;
  for (const auto& f : form.Fonts) have = have || f.Name == "Helv";
  if (!have) form.Fonts.push_back({"Helv", 0});
  return box;
}

TPDFCheckBox* AddCheckBox(TPDFPage& page, int left, int top, int right, int bottom, const std::string& name,
                          bool checked) {
  TPDFCheckBox* box = Place<TPDFCheckBox>(page, left, top, right, bottom);
  box->Name = name;
  box->Checked = checked;
  page.Document().Interactive().AcroForm().Controls.push_back(box);
  return box;
}

TPDFRadioButton* AddRadioButton(TPDFPage& page, int left, int top, int right, int bottom, const std::string& group,
                                const std::string& on_name, bool checked) {
  TPDFRadioButton* button = Place<TPDFRadioButton>(page, left, top, right, bottom);
  button->OnName = on_name;
  button->Checked = checked;
  button->Group = page.Document().Interactive().RadioGroup(group);
  button->Group->Controls.push_back(button);
  return button;
}

}  // namespace pdf
