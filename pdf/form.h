// The interactive form: fields placed on pages as widget annotations (text boxes, check boxes and
// radio buttons), radio-button groups, and the form dictionary with its default resources.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "pdf/annotation.h"

namespace pdf {

class TPDFDocument;
class TPDFPage;
class TPDFRadioGroup;

// Field flag values as the form writes them.
enum TPDFFieldFlag : unsigned { ffReadOnly = 1, ffRequired = 2 };

class TPDFControl : public TPDFAnnotation {
 public:
  using TPDFAnnotation::TPDFAnnotation;
  std::string Name;
  bool Checked = false;
  std::string OnName = "Yes";
  unsigned FieldFlags = 0;
  // A field whose value the viewer calculates (listed in the form's /CO).
  bool Calculated = false;

 protected:
  void WriteWidget(TPDFDocument& document);
};

class TPDFEditBox : public TPDFControl {
 public:
  using TPDFControl::TPDFControl;
  std::string Value;
  double FontSize = 10;
  void Save(TPDFDocument& document) override;
};

class TPDFCheckBox : public TPDFControl {
 public:
  using TPDFControl::TPDFControl;
  void Save(TPDFDocument& document) override;
};

// A button of a radio group: its widget only; the group is the field.
class TPDFRadioButton : public TPDFControl {
 public:
  using TPDFControl::TPDFControl;
  TPDFRadioGroup* Group = nullptr;
  void Save(TPDFDocument& document) override;
};

class TPDFRadioGroup {
 public:
  TPDFRadioGroup(TPDFDocument& document, std::string name);
  std::vector<TPDFRadioButton*> Controls;
  int ObjectNumber = 0;
  std::string Name;
  void Save();

 private:
  TPDFDocument& document_;
};

class TPDFAcroForm {
 public:
  explicit TPDFAcroForm(TPDFDocument& document) : document_(document) {}
  struct FormFont {
    std::string Name;
    int ObjectNumber = 0;
  };
  // Controls and written groups are not owned: pages own controls, the document owns groups.
  std::vector<TPDFControl*> Controls;
  std::vector<FormFont> Fonts;
  std::vector<TPDFRadioGroup*> RadioGroups;
  int ObjectNumber = 0;

  void Clear();
  bool IsEmpty() const { return Controls.empty() && RadioGroups.empty(); }
  void Save();

 private:
  TPDFDocument& document_;
};

// Fields on the document's current page (box in page units); each registers with the form.
TPDFEditBox* AddEditBox(TPDFPage& page, int left, int top, int right, int bottom, const std::string& name,
                        const std::string& value);
TPDFCheckBox* AddCheckBox(TPDFPage& page, int left, int top, int right, int bottom, const std::string& name,
                          bool checked);
TPDFRadioButton* AddRadioButton(TPDFPage& page, int left, int top, int right, int bottom, const std::string& group,
                                const std::string& on_name, bool checked);

}  // namespace pdf
