#include "platform/components/std_ctrls.h"

#include "platform/win/controls.h"

namespace platform::components {

using namespace platform::win;  // message and style codes

namespace {
LPARAM text_param(const std::string& s) { return reinterpret_cast<LPARAM>(s.c_str()); }
}  // namespace

// ---- TButton ----
TButton::TButton(TComponent* owner) : TWinControl(owner) {
  PublishBool("Default", [this] { return Default; }, [this](bool v) { Default = v; });
  PublishBool("Cancel", [this] { return Cancel; }, [this](bool v) { Cancel = v; });
  PublishInt("ModalResult", [this] { return ModalResult; }, [this](std::int64_t v) { ModalResult = static_cast<int>(v); });
}

void TButton::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.class_name = "Button";
  p.style |= Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::Click() {
  if (ModalResult != 0) {
    for (TWinControl* w = Parent(); w; w = w->Parent())
      if (auto* f = dynamic_cast<TCustomForm*>(w)) {
        f->ModalResult = ModalResult;
        break;
      }
  }
  TWinControl::Click();
}

void TButton::WndProc(TMessage& m) {
  if (m.Msg == CN_COMMAND) {
    if (HIWORD(m.WParam) == BN_CLICKED && !updating()) Click();
    return;
  }
  TWinControl::WndProc(m);
}

TBitBtn::TBitBtn(TComponent* owner) : TButton(owner) {
  PublishObject("Glyph", [this] { return &Glyph; });
  PublishInt("NumGlyphs", [this] { return NumGlyphs; }, [this](std::int64_t v) { NumGlyphs = static_cast<int>(v); });
  PublishEnum("Kind", {"bkCustom", "bkOK", "bkCancel", "bkHelp", "bkYes", "bkNo", "bkClose", "bkAbort", "bkRetry", "bkIgnore", "bkAll"},
              [this] { return static_cast<int>(Kind); }, [this](int v) { Kind = static_cast<TBitBtnKind>(v); });
  PublishEnum("Layout", {"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"},
              [this] { return static_cast<int>(Layout); }, [this](int v) { Layout = static_cast<TButtonLayout>(v); });
}

void TBitBtn::SetGlyph(const gdi::Bitmap& picture) {
  Glyph.Assign(picture);
  if (HandleAllocated()) CreateWnd();
}

void TBitBtn::CreateWnd() {
  TButton::CreateWnd();
  SendMessage(Handle(), BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(Glyph.Empty() ? nullptr : Glyph.Handle()));
}

// ---- TCheckBox ----
TCheckBox::TCheckBox(TComponent* owner) : TWinControl(owner) {
  width_ = 97;
  height_ = 17;
  PublishBool("Checked", [this] { return Checked(); }, [this](bool v) { SetChecked(v); });
  PublishEnum("State", {"cbUnchecked", "cbChecked", "cbGrayed"}, [this] { return Checked() ? 1 : 0; },
              [this](int v) { SetChecked(v == 1); });
}

void TCheckBox::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.class_name = "Button";
  p.style |= BS_AUTOCHECKBOX;
}

void TCheckBox::CreateWnd() { SendMessage(Handle(), BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0); }
void TCheckBox::DestroyWnd() { checked_ = Checked(); }

bool TCheckBox::Checked() const {
  auto* self = const_cast<TCheckBox*>(this);
  if (HandleAllocated()) return SendMessage(self->Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
  return checked_;
}

void TCheckBox::SetChecked(bool c) {
  checked_ = c;
  if (HandleAllocated()) from_code([&] { SendMessage(Handle(), BM_SETCHECK, c ? BST_CHECKED : BST_UNCHECKED, 0); });
}

void TCheckBox::WndProc(TMessage& m) {
  if (m.Msg == CN_COMMAND) {
    if (HIWORD(m.WParam) == BN_CLICKED && !updating()) {
      checked_ = Checked();
      Click();
    }
    return;
  }
  TWinControl::WndProc(m);
}

// ---- TEdit ----
TEdit::TEdit(TComponent* owner) : TWinControl(owner) {
  width_ = 121;
  height_ = 21;
  color_ = clWindow;
  PublishString("Text", [this] { return GetText(); }, [this](std::string v) { SetText(v); });
  PublishInt("MaxLength", [this] { return max_length_; }, [this](std::int64_t v) { SetMaxLength(static_cast<int>(v)); });
  PublishBool("ReadOnly", [this] { return read_only_; }, [this](bool v) { SetReadOnly(v); });
  PublishString("PasswordChar", [this] { return password_ ? std::string(1, password_) : std::string(); },
                [this](std::string v) { SetPasswordChar(v.empty() ? 0 : v[0]); });
}

bool TEdit::SetEvent(std::string_view name, TNotifyEvent handler) {
  if (name == "OnChange") {
    OnChange = std::move(handler);
    return true;
  }
  return TWinControl::SetEvent(name, std::move(handler));
}

void TEdit::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.class_name = "Edit";
  p.style |= ES_AUTOHSCROLL | WS_BORDER;
  if (read_only_) p.style |= ES_READONLY;
  if (password_) p.style |= ES_PASSWORD;
  p.ex_style |= WS_EX_CLIENTEDGE;
}

void TEdit::CreateWnd() {
  SendMessage(Handle(), EM_LIMITTEXT, static_cast<WPARAM>(max_length_), 0);
  SendMessage(Handle(), EM_SETPASSWORDCHAR, static_cast<unsigned char>(password_), 0);
}

void TEdit::SetMaxLength(int n) {
  max_length_ = std::max(0, n);
  if (HandleAllocated()) SendMessage(Handle(), EM_LIMITTEXT, static_cast<WPARAM>(max_length_), 0);
}

void TEdit::SetReadOnly(bool r) {
  read_only_ = r;
  if (HandleAllocated()) SendMessage(Handle(), EM_SETREADONLY, r, 0);
}

void TEdit::SetPasswordChar(char c) {
  password_ = c;
  if (HandleAllocated()) {
    SendMessage(Handle(), EM_SETPASSWORDCHAR, static_cast<unsigned char>(c), 0);
    Invalidate();
  }
}

void TEdit::WndProc(TMessage& m) {
  if (m.Msg == CN_COMMAND) {
    if (HIWORD(m.WParam) == EN_CHANGE && !updating() && OnChange) OnChange(this);
    return;
  }
  TWinControl::WndProc(m);
}

// ---- TLabel ----
TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) {
  width_ = 65;
  height_ = 13;
  PublishBool("Transparent", [this] { return Transparent; }, [this](bool v) { Transparent = v; Invalidate(); });
  PublishBool("AutoSize", [this] { return auto_size_; }, [this](bool v) { SetAutoSize(v); });
  PublishBool("WordWrap", [this] { return word_wrap_; }, [this](bool v) { SetWordWrap(v); });
  Font.OnChange = [this](TObject*) {
    AdjustBounds();
    Invalidate();
  };
  AdjustBounds();
}

void TLabel::SetAutoSize(bool on) {
  auto_size_ = on;
  AdjustBounds();
}

void TLabel::SetWordWrap(bool on) {
  word_wrap_ = on;
  AdjustBounds();
  Invalidate();
}

void TLabel::SetText(std::string_view s) {
  TGraphicControl::SetText(s);
  AdjustBounds();
}

unsigned TLabel::TextFormat() const { return gdi::DT_LEFT | (word_wrap_ ? gdi::DT_WORDBREAK : gdi::DT_SINGLELINE); }

// The text's extent in the label's font: one line, or the lines of the present width when wrapping.
void TLabel::AdjustBounds() {
  if (!auto_size_) return;
  HDC dc = gdi::CreateCompatibleDC(nullptr);
  auto old = gdi::SelectObject(dc, Font.Handle());
  gdi::RECT r{0, 0, word_wrap_ ? width_ : 0, 0};
  gdi::DrawText(dc, text_.empty() ? std::string(" ") : text_, &r, TextFormat() | gdi::DT_CALCRECT);
  gdi::SelectObject(dc, old);
  gdi::DeleteDC(dc);
  const int w = text_.empty() ? 0 : r.right - r.left, h = r.bottom - r.top;
  if (w != width_ || h != height_) SetBounds(left_, top_, word_wrap_ ? width_ : w, h);
}

void TLabel::Paint() {
  gdi::RECT r{0, 0, width_, height_};
  if (!Transparent) {
    Canvas.BrushColor = color_;
    Canvas.FillRect(r);
  }
  HDC dc = Canvas.Handle();
  gdi::SelectObject(dc, Canvas.Font.Handle());
  gdi::SetBkMode(dc, gdi::TRANSPARENT);
  gdi::SetTextColor(dc, ColorToRGB(enabled_ ? Font.Color() : (0x80000000u | gdi::COLOR_GRAYTEXT)));
  gdi::DrawText(dc, text_, &r, TextFormat());
}

// ---- TPanel ----
TPanel::TPanel(TComponent* owner) : TCustomControl(owner) {
  width_ = 185;
  height_ = 41;
}

void TPanel::WndProc(TMessage& m) {
  TCustomControl::WndProc(m);
  if (m.Msg == WM_PAINT && !text_.empty() && HandleAllocated()) {
    HDC dc = GetDC(Handle());
    gdi::RECT r{0, 0, width_, height_};
    gdi::SelectObject(dc, Font.Handle());
    gdi::SetBkMode(dc, gdi::TRANSPARENT);
    gdi::SetTextColor(dc, ColorToRGB(Font.Color()));
    gdi::DrawText(dc, GetText(), &r, gdi::DT_CENTER | gdi::DT_VCENTER | gdi::DT_SINGLELINE);
    ReleaseDC(Handle(), dc);
  }
}

// ---- TGroupBox ----
TGroupBox::TGroupBox(TComponent* owner) : TCustomControl(owner) {
  width_ = 185;
  height_ = 105;
  TabStop = false;
}

void TGroupBox::CreateParams(TCreateParams& p) {
  TCustomControl::CreateParams(p);
  p.class_name = "Button";
  p.style |= BS_GROUPBOX;
  p.style &= ~WS_TABSTOP;
}

// ---- TControlItems ----
void TControlItems::Put(int index, std::string_view s) {
  TObject* o = Objects(index);
  BeginUpdate();
  Delete(index);
  Insert(index, s);
  PutObject(index, o);
  EndUpdate();
}

void TControlItems::Insert(int index, std::string_view s) {
  TStringList::Insert(index, s);
  if (control_.HandleAllocated()) {
    std::string str(s);
    SendMessage(control_.Handle(), codes_.insert, static_cast<WPARAM>(index), text_param(str));
  }
}

int TControlItems::Add(std::string_view s) {
  int i = TStringList::Add(s);
  if (control_.HandleAllocated()) {
    std::string str(s);
    SendMessage(control_.Handle(), codes_.insert, static_cast<WPARAM>(i), text_param(str));
  }
  return i;
}

void TControlItems::Delete(int index) {
  TStringList::Delete(index);
  if (control_.HandleAllocated()) SendMessage(control_.Handle(), codes_.remove, static_cast<WPARAM>(index), 0);
}

void TControlItems::Clear() {
  TStringList::Clear();
  if (control_.HandleAllocated()) SendMessage(control_.Handle(), codes_.reset, 0, 0);
}

void TControlItems::Fill() {
  HWND h = control_.Handle();
  SendMessage(h, codes_.reset, 0, 0);
  for (int i = 0; i < Count(); ++i) {
    std::string s = Get(i);
    SendMessage(h, codes_.add, 0, text_param(s));
  }
}

// ---- TComboBox ----
TComboBox::TComboBox(TComponent* owner)
    : TWinControl(owner), items_(*this, {CB_ADDSTRING, CB_INSERTSTRING, CB_DELETESTRING, CB_RESETCONTENT}) {
  width_ = 145;
  height_ = 21;
  color_ = clWindow;
  PublishString("Text", [this] { return GetText(); }, [this](std::string v) { SetText(v); });
  PublishInt("ItemIndex", [this] { return ItemIndex(); }, [this](std::int64_t v) { SetItemIndex(static_cast<int>(v)); });
  PublishEnum("Style", {"csDropDown", "csSimple", "csDropDownList"}, [this] { return static_cast<int>(Style); },
              [this](int v) { Style = static_cast<TComboBoxStyle>(v); RecreateWnd(); });
  PublishObject("Items", [this] { return &items_; });
  PublishInt("DropDownCount", [this] { return DropDownCount; }, [this](std::int64_t v) { DropDownCount = static_cast<int>(v); });
  // Replacing the items keeps an editable box's text; a list-only box loses its selection.
  items_.OnChange = [this](TObject*) {
    if (!HandleAllocated()) {
      if (item_index_ >= items_.Count()) item_index_ = -1;
    }
  };
}

bool TComboBox::SetEvent(std::string_view name, TNotifyEvent handler) {
  if (name == "OnChange") {
    OnChange = std::move(handler);
    return true;
  }
  return TWinControl::SetEvent(name, std::move(handler));
}

void TComboBox::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.class_name = "ComboBox";
  p.style |= WS_VSCROLL | (Style == TComboBoxStyle::csDropDownList ? CBS_DROPDOWNLIST
                            : Style == TComboBoxStyle::csSimple   ? CBS_SIMPLE
                                                                  : CBS_DROPDOWN | CBS_AUTOHSCROLL);
}

void TComboBox::CreateWnd() {
  std::string text = text_;
  items_.Fill();
  SendMessage(Handle(), CB_SETCURSEL, static_cast<WPARAM>(item_index_), 0);
  if (item_index_ < 0 && Style != TComboBoxStyle::csDropDownList) SetWindowText(Handle(), text);
}

void TComboBox::DestroyWnd() { item_index_ = ItemIndex(); }

int TComboBox::ItemIndex() const {
  auto* self = const_cast<TComboBox*>(this);
  if (HandleAllocated()) return static_cast<int>(SendMessage(self->Handle(), CB_GETCURSEL, 0, 0));
  return item_index_;
}

void TComboBox::SetItemIndex(int i) {
  if (i < -1 || i >= items_.Count()) i = -1;
  item_index_ = i;
  if (HandleAllocated()) from_code([&] { SendMessage(Handle(), CB_SETCURSEL, static_cast<WPARAM>(i), 0); });
  else text_ = i >= 0 ? items_.Get(i) : std::string();
}

void TComboBox::WndProc(TMessage& m) {
  if (m.Msg == CN_COMMAND) {
    UINT code = HIWORD(m.WParam);
    if ((code == CBN_SELCHANGE || code == CBN_EDITCHANGE) && !updating()) {
      item_index_ = ItemIndex();
      if (OnChange) OnChange(this);
    }
    return;
  }
  TWinControl::WndProc(m);
}

// ---- TListBox ----
TListBox::TListBox(TComponent* owner)
    : TWinControl(owner), items_(*this, {LB_ADDSTRING, LB_INSERTSTRING, LB_DELETESTRING, LB_RESETCONTENT}) {
  width_ = 121;
  height_ = 97;
  color_ = clWindow;
  PublishInt("ItemIndex", [this] { return ItemIndex(); }, [this](std::int64_t v) { SetItemIndex(static_cast<int>(v)); });
  PublishInt("TopIndex", [this] { return TopIndex(); }, [this](std::int64_t v) { SetTopIndex(static_cast<int>(v)); });
  PublishObject("Items", [this] { return &items_; });
}

void TListBox::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.class_name = "ListBox";
  p.style |= LBS_NOTIFY | WS_VSCROLL | WS_BORDER | LBS_NOINTEGRALHEIGHT;
  p.ex_style |= WS_EX_CLIENTEDGE;
}

void TListBox::CreateWnd() {
  items_.Fill();
  SendMessage(Handle(), LB_SETCURSEL, static_cast<WPARAM>(item_index_), 0);
  SendMessage(Handle(), LB_SETTOPINDEX, static_cast<WPARAM>(top_index_), 0);
}

void TListBox::DestroyWnd() {
  item_index_ = ItemIndex();
  top_index_ = TopIndex();
}

int TListBox::ItemIndex() const {
  auto* self = const_cast<TListBox*>(this);
  if (HandleAllocated()) return static_cast<int>(SendMessage(self->Handle(), LB_GETCURSEL, 0, 0));
  return item_index_;
}

void TListBox::SetItemIndex(int i) {
  item_index_ = i;
  if (HandleAllocated()) SendMessage(Handle(), LB_SETCURSEL, static_cast<WPARAM>(i), 0);
}

int TListBox::TopIndex() const {
  auto* self = const_cast<TListBox*>(this);
  if (HandleAllocated()) return static_cast<int>(SendMessage(self->Handle(), LB_GETTOPINDEX, 0, 0));
  return top_index_;
}

void TListBox::SetTopIndex(int i) {
  top_index_ = std::max(0, i);
  if (HandleAllocated()) SendMessage(Handle(), LB_SETTOPINDEX, static_cast<WPARAM>(top_index_), 0);
}

}  // namespace platform::components
