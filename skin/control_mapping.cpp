// The form skinner's walk over a window's controls: for each control the application's choice, the
// skin data's class map, the table of component classes, or (for windows that are not forms) the
// table of window classes decides which skinner paints it; and the list of skinners made.
#include <algorithm>

#include "core/unicode.h"
#include "platform/components/comctrls.h"
#include "platform/components/ext_ctrls.h"
#include "platform/components/std_ctrls.h"
#include "skin/button_skinners.h"
#include "skin/check_skinners.h"
#include "skin/container_skinners.h"
#include "skin/edit_skinners.h"
#include "skin/list_skinners.h"
#include "skin/media_player.h"
#include "skin/page_skinners.h"
#include "skin/speed_button.h"
#include "skin/tab_skinners.h"
#include "skin/value_skinners.h"
#include "skin/control_skinner.h"
#include "skin/draw_primitives.h"
#include "skin/foreign_classes.h"
#include "skin/form_skinner.h"
#include "skin/menu_items.h"
#include "skin/skin_manager.h"

namespace skin {

namespace {

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return out;
}

template <std::size_t N>
bool one_of(std::string_view name, const std::string_view (&names)[N]) {
  return std::find(std::begin(names), std::end(names), name) != std::end(names);
}

bool has_scroll_style(pc::TControl* c) {
  auto* w = dynamic_cast<pc::TWinControl*>(c);
  if (!w || !w->HandleAllocated()) return false;
  const auto style = static_cast<std::uint32_t>(win::GetWindowLong(w->Handle(), win::GWL_STYLE));
  return (style & (win::WS_VSCROLL | win::WS_HSCROLL)) != 0;
}

bool is_list_box(pc::TControl* c) { return dynamic_cast<pc::TListBox*>(c) != nullptr; }

// Every windowed control of `w`, nested ones included, in tab order.
void tab_order(pc::TWinControl* w, std::vector<pc::TWinControl*>& out) {
  for (int i = 0; i < w->ControlCount(); ++i)
    if (auto* c = dynamic_cast<pc::TWinControl*>(w->Controls(i))) {
      out.push_back(c);
      tab_order(c, out);
    }
}

}  // namespace

std::string_view SkinnerClassName(SkinnerKind kind) {
  static constexpr std::string_view kNames[] = {
      "TSkinTab",      "TSkinTabBtn",      "TSkinTab31",       "TSkinTabSheet",  "TSkinCheckBox",  "TSkinUpDown",
      "TSkinMP",       "TSkinBox",         "TSkinObjImage",    "TSkinGroupBox",  "TSkinStatusBar", "TSkinComBox",
      "TSkinEdit",     "TSkinDateTime",    "TSkinScrollbar",   "TSkinCheckList", "TSkinBitButton", "TSkinButton",
      "TSkinMenuButton", "TSkinRadioButton", "TSkinTrackBar",  "TSkinSpeedButton", "TSkinProgress", "TSkinAdvPage",
      "TSkinSizer",    "TSkinBoxH",        "TSkinListView"};
  return kNames[static_cast<std::size_t>(kind)];
}

// ---- the list of skinners ----

bool TFormSkinner::RegisterSkinner(TSkinControl* s) {
  if (std::find(FSkinControls.begin(), FSkinControls.end(), s) != FSkinControls.end()) return true;
  FSkinControls.push_back(s);
  return false;
}

void TFormSkinner::UnregisterSkinner(TSkinControl* s) {
  FSkinControls.erase(std::remove(FSkinControls.begin(), FSkinControls.end(), s), FSkinControls.end());
}

TSkinControl* TFormSkinner::FindSkinnerByHandle(win::HWND w) const {
  if (!w) return nullptr;
  for (TSkinControl* s : FSkinControls)
    if (s->FHandle == w) return s;
  return nullptr;
}

bool TFormSkinner::IsSkinned(pc::TControl* c) {
  if (c->Perform(kMsgIsSkinned, 0, 0) == 1) return true;
  // A control skinned through its window procedure answers only through its window.
  if (auto* w = dynamic_cast<pc::TWinControl*>(c); w && w->HandleAllocated() && FindSkinnerByHandle(w->Handle())) return true;
  for (TSkinControl* s : FSkinControls)
    if (s->FControl == c) return true;
  return false;
}

void TFormSkinner::PurgeDeadSkinners() {
  // Freeing one skinner may free others it made (a combo box's list skinners), so the list is
  // searched again after each.
  for (;;) {
    auto it = std::find_if(FSkinControls.begin(), FSkinControls.end(), [](TSkinControl* s) { return s->FHookState == 6; });
    if (it == FSkinControls.end()) return;
    TSkinControl* s = *it;
    UnregisterSkinner(s);
    delete s;
  }
}

void TFormSkinner::Notification(pc::TComponent* c, pc::TOperation op) {
  if (op == pc::TOperation::opRemove)
    FPaintedToolBars.erase(std::remove(FPaintedToolBars.begin(), FPaintedToolBars.end(), c), FPaintedToolBars.end());
  pc::TComponent::Notification(c, op);
}

void TFormSkinner::FreeSkinners() {
  // The tool bars' painters go with the skinners (they call back into this object).
  for (pc::TToolBar* bar : FPaintedToolBars) {
    bar->OnCustomDraw = nullptr;
    bar->OnCustomDrawButton = nullptr;
    bar->RemoveFreeNotification(this);
    if (FSkinState != 4) bar->Invalidate();
  }
  FPaintedToolBars.clear();
  while (!FSkinControls.empty()) {
    TSkinControl* s = FSkinControls.front();
    if (FSkinState != 4 && s->FHookState != 6) s->Unhook();
    UnregisterSkinner(s);
    delete s;
  }
}

void TFormSkinner::RecreateScrollSkinner(win::HWND w) {
  for (auto it = FSkinControls.rbegin(); it != FSkinControls.rend(); ++it) {
    if ((*it)->FHandle != w) continue;
    TSkinControl* old = *it;
    pc::TControl* control = old->FControl;
    if (!control || control->Destroying()) return;
    SkinnerChoice choice;
    choice.kind = old->ClassName() == "TSkinListView" ? SkinnerKind::kListView : SkinnerKind::kScrollbar;
    choice.way = HookWay::kScroll;
    UnregisterSkinner(old);
    delete old;
    Attach(choice, control, control);
    return;
  }
}

TSkinControl* TFormSkinner::CreateSkinner(const SkinnerChoice& choice, pc::TComponent* owner) {
  switch (choice.kind) {
    case SkinnerKind::kButton: return new TSkinButton(owner);
    case SkinnerKind::kBitButton: {
      auto* s = new TSkinBitButton(owner);
      s->FGlyphProperty = choice.glyph_property;
      return s;
    }
    case SkinnerKind::kMenuButton: return new TSkinMenuButton(owner);
    case SkinnerKind::kSpeedButton: {
      auto* s = new TSkinSpeedButton(owner);
      s->FSpeedGlyphProperty = choice.speed_glyph_property;
      return s;
    }
    case SkinnerKind::kStatusBar: return new TSkinStatusBar(owner);
    case SkinnerKind::kGroupBox: return new TSkinGroupBox(owner);
    case SkinnerKind::kBox: return new TSkinBox(owner);
    case SkinnerKind::kTab: return new TSkinTab(owner);
    case SkinnerKind::kTab31: return new TSkinTab31(owner);
    case SkinnerKind::kMP: return new TSkinMP(owner);
    case SkinnerKind::kCheckBox: return new TSkinCheckBox(owner);
    case SkinnerKind::kRadioButton: return new TSkinRadioButton(owner);
    case SkinnerKind::kObjImage: {
      auto* s = new TSkinObjImage(owner);
      s->FGlyphKind = choice.glyph_kind;
      return s;
    }
    case SkinnerKind::kTrackBar: return new TSkinTrackBar(owner);
    case SkinnerKind::kUpDown: return new TSkinUpDown(owner);
    case SkinnerKind::kProgress: return new TSkinProgress(owner);
    case SkinnerKind::kScrollbar: return new TSkinScrollbar(owner);
    case SkinnerKind::kListView: return new TSkinListView(owner);
    case SkinnerKind::kCheckList: return new TSkinCheckList(owner);
    case SkinnerKind::kEdit: return new TSkinEdit(owner);
    case SkinnerKind::kDateTime: return new TSkinDateTime(owner);
    case SkinnerKind::kComBox: {
      auto* s = new TSkinComBox(owner);
      s->FExtended = choice.extended;
      return s;
    }
    // Pages and bare containers.
    case SkinnerKind::kTabBtn: return new TSkinTabBtn(owner);
    case SkinnerKind::kTabSheet: return new TSkinTabSheet(owner);
    case SkinnerKind::kBoxH: return new TSkinBoxH(owner);
    case SkinnerKind::kSizer: return new TSkinSizer(owner);
    case SkinnerKind::kAdvPage: {
      auto* s = new TSkinAdvPage(owner);
      s->FPageKind = choice.page_kind;
      return s;
    }
    default: return nullptr;  // drawn by no skinner of this engine: the control keeps its own look
  }
}

TSkinControl* TFormSkinner::Attach(const SkinnerChoice& choice, pc::TControl* control, pc::TComponent* owner) {
  TSkinControl* s = CreateSkinner(choice, owner);
  if (!s) return nullptr;
  if (choice.way == HookWay::kHandle) {
    s->HookHandle(choice.handle, FSkinData, this, &FControlCanvas);
  } else if (auto* scroll = dynamic_cast<TSkinScrollbar*>(s); scroll && choice.way == HookWay::kScroll && control) {
    scroll->FMode = choice.mode;
    scroll->HookScrollControl(control, FSkinData, this, &FControlCanvas);
  } else if (auto* speed = dynamic_cast<TSkinSpeedButton*>(s); speed && choice.way == HookWay::kGraphic) {
    speed->HookGraphicControl(this, FSkinData, &FControlCanvas);
  } else {
    s->HookControl(this, FSkinData, choice.set_color, &FControlCanvas);
  }
  return s;
}

TSkinControl* TFormSkinner::Attach(SkinnerKind kind, pc::TControl* control, bool set_color) {
  SkinnerChoice choice;
  choice.kind = kind;
  choice.set_color = set_color;
  return Attach(choice, control, control);
}

// ---- the walk ----

void TFormSkinner::SkinControls() {
  PurgeDeadSkinners();
  if (!FForm) {
    MapChildWindows(FHandle);
    return;
  }
  MapComponents(FForm);
  auto* form = dynamic_cast<pc::TWinControl*>(FForm);
  if (!form) return;
  std::vector<pc::TWinControl*> order;
  tab_order(form, order);
  for (pc::TWinControl* c : order) {
    if (!c->HandleAllocated() || c->Tag == FSkinData->DisableTag) continue;
    if (c->Perform(kMsgIsSkinned, 0, 0) == 1 || FindSkinnerByHandle(c->Handle())) continue;
    MapControl(c, FForm);
  }
}

void TFormSkinner::MapComponents(pc::TComponent* owner) {
  for (int i = 0; i < owner->ComponentCount(); ++i)
    if (auto* c = dynamic_cast<pc::TControl*>(owner->Components(i))) MapControl(c, owner);
  if (InSet(FSkinData->SkinControls, xcPopupMenu)) SetPopupMenusOwnerDraw(this, owner, true);
}

void TFormSkinner::MapChildren(pc::TControl* c) {
  auto* w = dynamic_cast<pc::TWinControl*>(c);
  if (!w) return;
  for (int i = 0; i < w->ControlCount(); ++i) MapControl(w->Controls(i), c);
}

void TFormSkinner::MapControl(pc::TControl* c, pc::TComponent* container) {
  TSkinData& sd = *FSkinData;
  const TSkinControlTypes set = sd.SkinControls;
  auto* windowed = dynamic_cast<pc::TWinControl*>(c);
  if (c->Tag == sd.DisableTag) {
    const std::string lower = core::ascii_lower(c->ClassName());
    if (windowed && windowed->ControlCount() > 0 &&
        (lower.find("radiogroup") != std::string::npos || lower.find("checkgroup") != std::string::npos))
      for (int i = 0; i < windowed->ControlCount(); ++i) windowed->Controls(i)->Tag = sd.DisableTag;
    return;
  }
  if (!c->Parent() || IsSkinned(c)) return;
  const std::string name = upper(c->ClassName());
  if (windowed) {
    try {
      windowed->HandleNeeded();
    } catch (...) {
      return;  // a control whose window cannot be made stays as it is
    }
  }
  if (sd.OnSkinControl) {
    pc::TComponent* chosen = nullptr;
    sd.OnSkinControl(this, &sd, dynamic_cast<pc::TControl*>(container), c, name, chosen);
    if (chosen) {
      if (auto* s = dynamic_cast<TSkinControl*>(chosen); s && !RegisterSkinner(s))
        s->HookControl(this, &sd, s->FSetColor, &FControlCanvas);
      if (dynamic_cast<pc::TPanel*>(c)) MapChildren(c);
      return;
    }
  }
  if (MapByKind(name, c)) return;
  if (one_of(name, kUnmappedControlClasses)) return;

  const bool tabs = InSet(set, xcTab) && sd.FTabs;
  if (auto* pages = dynamic_cast<pc::TPageControl*>(c); pages && tabs) {
    const std::string style = pc::GetEnumPropText(pages, "Style");
    if (!style.empty() && style != "tsTabs") Attach(SkinnerKind::kTabBtn, c);
    else Attach(SkinnerKind::kTab, c);
    return;
  }
  if (name == kTabSetClass && tabs) { Attach(SkinnerKind::kTab31, c); return; }
  if (dynamic_cast<pc::TTabSheet*>(c) && tabs) { Attach(SkinnerKind::kTabSheet, c); return; }
  if (name == kTabbedNotebookClass && tabs) { Attach(SkinnerKind::kTab, c); return; }
  if (name == kContainerPanelClass) { MapChildren(c); return; }
  if (dynamic_cast<pc::TCheckBox*>(c) && InSet(set, xcCheckBox)) { Attach(SkinnerKind::kCheckBox, c); return; }
  if (one_of(name, kSpinClasses) && InSet(set, xcSpin)) { Attach(SkinnerKind::kUpDown, c); return; }
  if (name == kMediaPlayerClass && InSet(set, xcButton)) { Attach(SkinnerKind::kMP, c); return; }
  if (name == kNavigatorClass && InSet(set, xcPanel)) {
    Attach(SkinnerKind::kBox, c, true);
    MapChildren(c);
    return;
  }
  auto strip = [&](int glyph_kind) {
    SkinnerChoice choice;
    choice.kind = SkinnerKind::kObjImage;
    choice.glyph_kind = glyph_kind;
    choice.set_color = true;
    Attach(choice, c, c);
  };
  if (one_of(name, kStripCheckClasses) && InSet(set, xcCheckBox)) { strip(1); return; }
  if (one_of(name, kStripRadioClasses) && InSet(set, xcRadioButton)) { strip(2); return; }
  if (one_of(name, kStripCheckClasses2) && InSet(set, xcCheckBox)) { strip(3); return; }
  if (dynamic_cast<pc::TGroupBox*>(c) && InSet(set, xcPanel)) {
    MapChildren(c);
    Attach(SkinnerKind::kGroupBox, c);
    return;
  }
  if (auto* bar = dynamic_cast<pc::TToolBar*>(c); bar && InSet(set, xcToolbar)) {
    pc::SetPropText(bar, "Flat", "True");
    if (!bar->OnCustomDrawButton)
      bar->OnCustomDrawButton = [this](pc::TToolBar* b, pc::TToolButton* button, unsigned state, bool&) {
        PaintToolBarButton(b, button, state);
      };
    if (!bar->OnCustomDraw)
      bar->OnCustomDraw = [this](pc::TToolBar* b, const gdi::RECT& r, bool&) { PaintToolBarBackground(b, r); };
    if (std::find(FPaintedToolBars.begin(), FPaintedToolBars.end(), bar) == FPaintedToolBars.end()) {
      FPaintedToolBars.push_back(bar);
      bar->FreeNotification(this);
    }
    Attach(SkinnerKind::kBox, c);
    if (auto* menu = dynamic_cast<pc::TMainMenu*>(pc::GetObjectProp(bar, "Menu")))
      for (int i = 0; i < menu->Items().Count(); ++i) SetMenuItemsOwnerDraw(this, menu->Items().Items(i), true);
    bar->Invalidate();
    return;
  }
  if (dynamic_cast<pc::TStatusBar*>(c) && InSet(set, xcStatusBar)) { Attach(SkinnerKind::kStatusBar, c); return; }
  if (name == kWideComboClass && InSet(set, xcCombo)) { Attach(SkinnerKind::kComBox, c); return; }
  if (dynamic_cast<pc::TComboBox*>(c) && InSet(set, xcCombo)) { Attach(SkinnerKind::kComBox, c); return; }
  if (auto* picker = dynamic_cast<pc::TDateTimePicker*>(c); picker && InSet(set, xcEdit)) {
    const bool up_down = pc::GetEnumPropText(picker, "DateMode") == "dmUpDown" || picker->Kind == pc::TDateTimeKind::dtkTime;
    Attach(up_down ? SkinnerKind::kEdit : SkinnerKind::kDateTime, c);
    return;
  }
  auto scroll = [&](SkinnerKind kind) {
    SkinnerChoice choice;
    choice.kind = kind;
    choice.way = HookWay::kScroll;
    Attach(choice, c, c);
  };
  if (one_of(name, kRichEditClasses) && InSet(set, xcScrollbar)) { scroll(SkinnerKind::kScrollbar); return; }
  if (dynamic_cast<pc::TBitBtn*>(c)) {
    if (InSet(set, xcBitBtn)) Attach(SkinnerKind::kBitButton, c);
    return;
  }
  if (dynamic_cast<pc::TPanel*>(c) && InSet(set, xcPanel)) {
    MapChildren(c);
    Attach(SkinnerKind::kBox, c, true);
    return;
  }
  if (one_of(name, kTreeGridClasses) && InSet(set, xcScrollbar)) { scroll(SkinnerKind::kScrollbar); return; }
  if (dynamic_cast<pc::TListView*>(c) && InSet(set, xcScrollbar)) { scroll(SkinnerKind::kListView); return; }
  if (name == kCheckListClass && InSet(set, xcScrollbar)) { scroll(SkinnerKind::kCheckList); return; }
  if ((has_scroll_style(c) || is_list_box(c)) && InSet(set, xcScrollbar)) { scroll(SkinnerKind::kScrollbar); return; }
  if (dynamic_cast<pc::TButton*>(c) && InSet(set, xcButton)) { Attach(SkinnerKind::kButton, c); return; }
  if ((dynamic_cast<pc::TEdit*>(c) || dynamic_cast<pc::TMemo*>(c)) && InSet(set, xcEdit)) {
    Attach(SkinnerKind::kEdit, c);
    return;
  }
  if (!one_of(name, kButtonEditClasses)) {
    if (auto* form = dynamic_cast<pc::TCustomForm*>(c)) {
      Attach(SkinnerKind::kBox, c, true);
      MapComponents(form);
    }
    return;
  }
  const std::int64_t buttons = pc::GetIntProp(c, "NumButtons");
  if (buttons == 1 && InSet(set, xcCombo)) {
    Attach(SkinnerKind::kComBox, c);
  } else if (buttons == 0 && InSet(set, xcEdit) && windowed) {
    SkinnerChoice choice;
    choice.kind = SkinnerKind::kEdit;
    choice.way = HookWay::kHandle;
    choice.handle = windowed->Handle();
    Attach(choice, c, c);
  }
}

bool TFormSkinner::MapByKind(const std::string& name, pc::TControl* c) {
  const std::string key = core::ascii_lower(name) + "=";
  const pc::TStrings& lines = FSkinData->Skin3rd();
  std::string line;
  for (int i = 0; i < lines.Count() && line.empty(); ++i) {
    const std::string l = core::ascii_lower(lines.Get(i));
    if (l.starts_with(key)) line = l;
  }
  if (line.empty()) return false;
  const std::string kind = line.substr(line.find('=') + 1, 50);
  const TSkinControlTypes set = FSkinData->SkinControls;
  auto windowed_style_has_border = [&] {
    auto* w = dynamic_cast<pc::TWinControl*>(c);
    if (!w) return false;
    gdi::RECT wr, cr;
    win::GetWindowRect(w->Handle(), &wr);
    win::GetClientRect(w->Handle(), &cr);
    return wr.right - wr.left != cr.right || wr.bottom - wr.top != cr.bottom;
  };
  SkinnerChoice choice;
  auto attach = [&](SkinnerKind kind_of) {
    choice.kind = kind_of;
    Attach(choice, c, c);
  };
  auto scroll = [&](pc::TControl* target) {
    SkinnerChoice sc = choice;
    sc.kind = SkinnerKind::kScrollbar;
    sc.way = HookWay::kScroll;
    Attach(sc, target, target);
  };
  auto children = [&]() -> std::vector<pc::TControl*> {
    std::vector<pc::TControl*> out;
    if (auto* w = dynamic_cast<pc::TWinControl*>(c))
      for (int i = 0; i < w->ControlCount(); ++i) out.push_back(w->Controls(i));
    return out;
  };
  if (kind == "nil") return true;
  if (kind == "combobox" || kind == "comboboxex") {
    choice.extended = kind == "comboboxex";
    if (InSet(set, xcCombo)) attach(SkinnerKind::kComBox);
  } else if (kind == "edit") {
    if (InSet(set, xcEdit) && windowed_style_has_border()) attach(SkinnerKind::kEdit);
  } else if (kind == "radiobutton") {
    if (InSet(set, xcRadioButton)) attach(SkinnerKind::kRadioButton);
  } else if (kind == "panel") {
    if (InSet(set, xcPanel)) {
      pc::SetPropText(c, "Transparent", "True");
      choice.set_color = true;
      attach(SkinnerKind::kBox);
    }
  } else if (kind == "trackbar") {
    if (InSet(set, xcButton)) {
      pc::SetPropText(c, "Transparent", "True");
      attach(SkinnerKind::kTrackBar);
    }
  } else if (kind == "button") {
    if (InSet(set, xcButton)) attach(SkinnerKind::kButton);
  } else if (kind == "datetimepicker") {
    if (InSet(set, xcCombo)) attach(SkinnerKind::kDateTime);
  } else if (kind == "mediaplayer") {
    if (InSet(set, xcButton)) attach(SkinnerKind::kMP);
  } else if (kind == "bitbtn") {
    if (InSet(set, xcButton)) {
      const bool drop_down =
          key == kDropDownButtonKey && pc::GetEnumPropText(c, "Kind") == kDropDownButtonKind;
      attach(drop_down ? SkinnerKind::kMenuButton : SkinnerKind::kBitButton);
    }
  } else if (kind == "pngbitbtn") {
    if (InSet(set, xcButton)) {
      choice.glyph_property = "PngImage";
      attach(SkinnerKind::kBitButton);
    }
  } else if (kind == "pngspeedbutton" || kind == "speedbutton") {
    if (InSet(set, kind == "speedbutton" ? xcSpeedButton : xcButton)) {
      if (kind == "pngspeedbutton") choice.speed_glyph_property = "PngImage";
      choice.way = HookWay::kGraphic;
      attach(SkinnerKind::kSpeedButton);
    }
  } else if (kind == "menubtn") {
    if (InSet(set, xcButton)) attach(SkinnerKind::kMenuButton);
  } else if (kind == "tab") {
    if (InSet(set, xcTab) && FSkinData->FTabs) attach(SkinnerKind::kTab);
  } else if (kind == "progress") {
    if (InSet(set, xcProgress)) attach(SkinnerKind::kProgress);
  } else if (kind == "scrollbar") {
    if (InSet(set, xcScrollbar)) {
      scroll(c);
      MapChildren(c);
    }
  } else if (kind == "singlescrollbar") {
    if (InSet(set, xcScrollbar)) {
      choice.mode = 1;
      scroll(c);
    }
  } else if (kind == "embedscrollbar") {
    if (InSet(set, xcScrollbar))
      for (pc::TControl* child : children())
        if (has_scroll_style(child) || is_list_box(child)) scroll(child);
  } else if (kind == "container") {
    MapChildren(c);
  } else if (kind == "groupbox") {
    if (InSet(set, xcGroupBox)) {
      choice.set_color = true;
      attach(SkinnerKind::kGroupBox);
    }
  } else if (kind == "advpagecontrol") {
    if (InSet(set, xcTab)) {
      choice.page_kind = 4;
      choice.set_color = true;
      attach(SkinnerKind::kAdvPage);
    }
  } else if (kind == "radiogroup" || kind == "checkgroup") {
    const bool radio = kind == "radiogroup";
    if (InSet(set, radio ? xcGroupBox : xcPanel)) {
      if (InSet(set, xcRadioButton))
        for (pc::TControl* child : children()) {
          if (upper(child->ClassName()).find(kStripClassPart) != std::string::npos) {
            SkinnerChoice sc;
            sc.kind = SkinnerKind::kObjImage;
            sc.glyph_kind = radio ? 2 : 1;
            sc.set_color = true;
            Attach(sc, child, child);
          } else {
            Attach(radio ? SkinnerKind::kRadioButton : SkinnerKind::kCheckBox, child);
          }
        }
      if (radio || InSet(set, xcGroupBox)) {
        choice.set_color = true;
        attach(SkinnerKind::kGroupBox);
      }
    }
  } else if (kind == "checkbox") {
    if (InSet(set, xcCheckBox)) attach(SkinnerKind::kCheckBox);
  }
  return true;
}

void TFormSkinner::MapChildWindows(win::HWND w) {
  for (win::HWND child = win::GetTopWindow(w); child; child = win::GetWindow(child, win::GW_HWNDNEXT))
    if (static_cast<std::uint32_t>(win::GetWindowLong(child, win::GWL_STYLE)) & win::WS_CHILD) MapWindow(child);
}

void TFormSkinner::MapWindow(win::HWND w) {
  if (!w || FindSkinnerByHandle(w)) return;
  const std::string cls = core::ascii_lower(win::GetClassName(w).substr(0, 100));
  const auto style = static_cast<std::uint32_t>(win::GetWindowLong(w, win::GWL_STYLE));
  const TSkinControlTypes set = FSkinData->SkinControls;
  auto hook = [&](SkinnerKind kind, win::HWND target) {
    SkinnerChoice choice;
    choice.kind = kind;
    choice.way = HookWay::kHandle;
    choice.handle = target;
    Attach(choice, nullptr, this);
  };
  auto face_of_control = [&] {
    if (pc::TControl* c = FindControlOfWindow(w)) c->SetColor(static_cast<pc::TColor>(gdi::resolve_color(FSkinData->FColours[3])));
  };
  if (cls == "button") {
    if ((style & 0xB) == 0xB) return;  // owner-drawn
    if ((style & 7) == 7 || (style & 0x80)) return;
    if ((style & 3) == 3 || (style & 2) || (style & 5) == 5) {
      if (InSet(set, xcCheckBox)) hook(SkinnerKind::kCheckBox, w);
    } else if ((style & 9) == 9 || (style & 4)) {
      if (InSet(set, xcRadioButton)) hook(SkinnerKind::kRadioButton, w);
    } else if (InSet(set, xcButton)) {
      hook(SkinnerKind::kButton, w);
    }
  } else if (cls == "combobox") {
    if (InSet(set, xcCombo) && (style & 3) != 1) hook(SkinnerKind::kComBox, w);
  } else if (cls == "comboboxex32") {
    if (win::HWND child = win::GetTopWindow(w); child && InSet(set, xcCombo)) hook(SkinnerKind::kComBox, child);
  } else if (cls == "scrollbar") {
    if (!(style & win::WS_TABSTOP)) hook(SkinnerKind::kSizer, w);
  } else if (cls == "systreeview32") {
  } else if (cls == "#32770") {
    if (!(style & win::WS_TABSTOP)) {
      MapChildWindows(w);
      hook(SkinnerKind::kBoxH, w);
    }
  } else if (one_of(cls, kPanelWindowClasses)) {
    MapChildWindows(w);
    face_of_control();
  } else if (cls == "tcheckbox") {
    if (InSet(set, xcCheckBox)) hook(SkinnerKind::kCheckBox, w);
  } else if (cls == "tcombobox") {
    if (InSet(set, xcCombo)) hook(SkinnerKind::kComBox, w);
  } else if (cls == "tbutton") {
    if (InSet(set, xcButton)) hook(SkinnerKind::kButton, w);
  } else if (cls == "tprogressbar") {
    hook(SkinnerKind::kProgress, w);
  } else if (cls == kSilentPanelWindowClass) {
    face_of_control();
  } else if (cls == "systabcontrol32") {
    if (InSet(set, xcTab) && !(style & 0x2000)) hook(SkinnerKind::kTab, w);
  } else if (cls == "toolbarwindow32") {
    hook(SkinnerKind::kBoxH, w);
  } else if (cls == "edit") {
    if (InSet(set, xcEdit)) hook(SkinnerKind::kEdit, w);
  }
}

// ---- tool-bar painters ----

void TFormSkinner::PaintToolBarBackground(pc::TToolBar* bar, const gdi::RECT& r) {
  if (!FSkinData->FToolbar || FSkinData->FToolbar->Image.Empty() || InSet(FSkinData->Options, xoToolbarBK)) return;
  gdi::HDC dc = bar->Canvas.Handle();
  const SkinImage& img = FSkinData->FToolbar->Image;
  SelectedBitmap src(img.Handle());
  const int old_mode = gdi::SetStretchBltMode(dc, gdi::COLORONCOLOR);
  gdi::StretchBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, src.dc(), 0, 0, img.Width(), img.Height(),
                  gdi::SRCCOPY);
  gdi::SetStretchBltMode(dc, old_mode);
}

void TFormSkinner::PaintToolBarButton(pc::TToolBar* bar, pc::TToolButton* button, unsigned state) {
  const TDataSkinButton* b = FSkinData->FButtons.get();
  if (!b || b->Image.Empty() || FSkinState != 1 || InSet(FSkinData->Options, xoToolbarButton)) return;
  int frame = 0;
  if (state & pc::cdsSelected) frame = 2;
  else if (state & (pc::cdsFocused | pc::cdsHot)) frame = 4;
  else if ((state & pc::cdsDefault) && !(state & (pc::cdsGrayed | pc::cdsDisabled))) frame = 1;
  if (frame == 0) return;
  if (frame == 1 && b->HasNormalColour2) bar->Canvas.Font.SetColor(b->NormalColour2);
  if (frame == 4 && b->HasMouseOverColour2) bar->Canvas.Font.SetColor(b->MouseOverColour2);
  if (frame == 2 && b->HasPressedColour2) bar->Canvas.Font.SetColor(b->PressedColour2);
  gdi::RECT r = bar->ButtonRect(button);
  gdi::InflateRect(&r, -1, -1);
  DrawNineGrid(bar->Canvas.Handle(), r, b->Image, false, false, b->Trans != 0, 5, frame, b->Margins());
}

}  // namespace skin
