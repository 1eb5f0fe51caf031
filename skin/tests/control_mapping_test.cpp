// The walk over a window's controls: which skinner the tables name for each control, the
// application's and the skin data's say before the tables, bare windows by window class, and
// everything put back when skinning ends.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "platform/components/comctrls.h"
#include "platform/components/ext_ctrls.h"
#include "platform/components/std_ctrls.h"
#include "skin/button_skinners.h"
#include "skin/control_skinner.h"
#include "skin/form_skinner.h"
#include "skin/tests/skin_fixture.h"

namespace skin::test {
namespace {

// A control that stands in for another library's control of the given class name.
class StandIn : public pc::TWinControl {
public:
  StandIn(pc::TComponent* owner, std::string cls, bool border = false) : pc::TWinControl(owner), cls_(std::move(cls)), border_(border) {
    PublishInt("NumButtons", [this] { return buttons_; }, [this](std::int64_t v) { buttons_ = static_cast<int>(v); });
    PublishEnum("Kind", {"cxbkStandard", "cxbkDropDownButton"}, [this] { return kind_; }, [this](int v) { kind_ = v; });
    PublishBool("Transparent", [this] { return transparent_; }, [this](bool v) { transparent_ = v; });
  }
  std::string ClassName() const override { return cls_; }
  int buttons_ = -5, kind_ = 0;
  bool transparent_ = false;

protected:
  void CreateParams(pc::TCreateParams& p) override {
    pc::TWinControl::CreateParams(p);
    if (border_) p.style |= win::WS_BORDER;
  }

private:
  std::string cls_;
  bool border_;
};

class NamedCombo : public pc::TComboBox {
public:
  using pc::TComboBox::TComboBox;
  std::string ClassName() const override { return "TDBComboBoxEh"; }
};

class NamedButton : public pc::TButton {
public:
  using pc::TButton::TButton;
  std::string ClassName() const override { return "TQuietButton"; }
};

// Records every choice the mapping makes ("<skinner>[ flags]" by the control's name or the
// window's text) and makes the skinners this engine draws.
class RecordingSkinner : public TFormSkinner {
public:
  using TFormSkinner::TFormSkinner;
  TSkinControl* CreateSkinner(const SkinnerChoice& c, pc::TComponent* owner) override {
    std::string s(SkinnerClassName(c.kind));
    if (c.set_color) s += " colour";
    if (c.way == HookWay::kScroll) s += " scroll";
    if (c.way == HookWay::kGraphic) s += " graphic";
    if (c.way == HookWay::kHandle) s += " handle";
    if (c.glyph_kind) s += " glyph" + std::to_string(c.glyph_kind);
    if (c.mode) s += " mode" + std::to_string(c.mode);
    if (c.extended) s += " extended";
    if (!c.glyph_property.empty()) s += " " + c.glyph_property;
    if (!c.speed_glyph_property.empty()) s += " speed " + c.speed_glyph_property;
    if (c.page_kind) s += " page" + std::to_string(c.page_kind);
    std::string key = owner == this ? "c" + std::to_string(win::GetDlgCtrlID(c.handle)) : owner->Name();
    if (owner != this && c.way == HookWay::kHandle) key += "@handle";
    // A kind this engine does not draw is decided again by each walk; the same decision counts once.
    if (chosen[key] != s) chosen[key] += (chosen[key].empty() ? "" : " + ") + s;
    return TFormSkinner::CreateSkinner(c, owner);
  }
  std::map<std::string, std::string> chosen;
};

class ControlMapping : public SkinTest {
protected:
  void SetUp() override {
    SkinTest::SetUp();
    // The form exists before the skin starts and stays hidden, so only the recorder walks it.
    form_ = new pc::TForm(&pc::Application());
    form_->SetBounds(10, 10, 600, 500);
  }
  void TearDown() override {
    delete walker_;
    walker_ = nullptr;
    delete form_;
    SkinTest::TearDown();
  }
  template <class T, class... A>
  T* add(const char* name, pc::TWinControl* parent = nullptr, A&&... args) {
    auto* c = new T(form_, std::forward<A>(args)...);
    c->SetName(name);
    c->SetParent(parent ? parent : form_);
    return c;
  }
  // Starts the skin and walks the form with a recorder.
  void walk(TSkinControlTypes set = TSkinData::kDefaultSkinControls | SetOf(xcMenuItem)) {
    form_->HandleNeeded();
    start_skin(set);
    sd_->FTabs = std::make_unique<TDataSkinBorder>("Tabs");
    walker_ = new RecordingSkinner(nullptr);
    walker_->FSkinData = sd_;
    walker_->FForm = form_;
    walker_->FHandle = form_->Handle();
    walker_->FSkinState = 1;
    walker_->SkinControls();
  }
  TSkinControl* skinner_of(pc::TControl* c) {
    for (TSkinControl* s : walker_->FSkinControls)
      if (s->FControl == c) return s;
    return nullptr;
  }

  pc::TForm* form_ = nullptr;
  RecordingSkinner* walker_ = nullptr;
};

TEST_F(ControlMapping, EachClassOfTheTablesGetsTheSkinnerTheTablesName) {
  auto* pages = add<pc::TPageControl>("Pages");
  auto* sheet = new pc::TTabSheet(form_);
  sheet->SetName("Sheet");
  sheet->SetPageControl(pages);
  add<StandIn>("TabSet", nullptr, "TTabSet");
  add<StandIn>("Notebook", nullptr, "TTabbedNotebook");
  auto* container = add<StandIn>("Container", nullptr, "TMvcPanel");
  add<pc::TButton>("InContainer", container);
  add<pc::TCheckBox>("Check");
  add<pc::TUpDown>("UpDown");
  add<StandIn>("Spin", nullptr, "TSpinButton");
  add<StandIn>("Player", nullptr, "TMediaPlayer");
  auto* navigator = add<StandIn>("Navigator", nullptr, "TDBNavigator");
  add<pc::TButton>("InNavigator", navigator);
  add<StandIn>("RzCheck", nullptr, "TRzCheckBox");
  add<StandIn>("RzRadio", nullptr, "TRzRadioButton");
  add<StandIn>("CxCheck", nullptr, "TcxCheckBox");
  auto* group = add<pc::TGroupBox>("Group");
  add<pc::TEdit>("InGroup", group);
  auto* bar = add<pc::TToolBar>("Bar");
  add<pc::TStatusBar>("Status");
  add<StandIn>("TntCombo", nullptr, "TTntComboBox");
  add<pc::TComboBox>("Combo");
  add<pc::TDateTimePicker>("Date");
  add<pc::TDateTimePicker>("Time")->Kind = pc::TDateTimeKind::dtkTime;
  add<StandIn>("Rich", nullptr, "TRichEdit");
  add<pc::TBitBtn>("BitBtn");
  auto* panel = add<pc::TPanel>("Panel");
  add<pc::TCheckBox>("InPanel", panel);
  add<StandIn>("Grid", nullptr, "TdxDBGrid");
  add<pc::TCheckListBox>("CheckList");
  add<pc::TListBox>("List");
  add<pc::TButton>("Button");
  add<pc::TEdit>("Edit");
  add<pc::TMemo>("Memo");
  add<StandIn>("DcCombo", nullptr, "TDCEdit")->buttons_ = 1;
  add<StandIn>("DcEdit", nullptr, "TDCDBEdit")->buttons_ = 0;
  add<NamedCombo>("EhCombo");
  add<StandIn>("Plain", nullptr, "TSomethingElse");
  add<pc::TLabel>("Label");
  walk();

  const std::map<std::string, std::string> expected = {
      {"Pages", "TSkinTab"},
      {"Sheet", "TSkinTabSheet"},
      {"TabSet", "TSkinTab31"},
      {"Notebook", "TSkinTab"},
      {"InContainer", "TSkinButton"},
      {"Check", "TSkinCheckBox"},
      {"UpDown", "TSkinUpDown"},
      {"Spin", "TSkinUpDown"},
      {"Player", "TSkinMP"},
      {"Navigator", "TSkinBox colour"},
      {"InNavigator", "TSkinButton"},
      {"RzCheck", "TSkinObjImage colour glyph1"},
      {"RzRadio", "TSkinObjImage colour glyph2"},
      {"CxCheck", "TSkinObjImage colour glyph3"},
      {"Group", "TSkinGroupBox"},
      {"InGroup", "TSkinEdit"},
      {"Bar", "TSkinBox"},
      {"Status", "TSkinStatusBar"},
      {"TntCombo", "TSkinComBox"},
      {"Combo", "TSkinComBox"},
      {"Date", "TSkinDateTime"},
      {"Time", "TSkinEdit"},
      {"Rich", "TSkinScrollbar scroll"},
      {"BitBtn", "TSkinBitButton"},
      {"Panel", "TSkinBox colour"},
      {"InPanel", "TSkinCheckBox"},
      {"Grid", "TSkinScrollbar scroll"},
      {"CheckList", "TSkinCheckList scroll"},
      {"List", "TSkinScrollbar scroll"},
      {"Button", "TSkinButton"},
      {"Edit", "TSkinEdit"},
      {"Memo", "TSkinEdit"},
      {"DcCombo", "TSkinComBox"},
      {"DcEdit@handle", "TSkinEdit handle"},
  };
  EXPECT_EQ(walker_->chosen, expected);

  // The skinners this engine draws are made, hooked and listed.
  auto* button = dynamic_cast<pc::TButton*>(form_->FindComponent("Button"));
  auto* bitbtn = dynamic_cast<pc::TBitBtn*>(form_->FindComponent("BitBtn"));
  ASSERT_NE(skinner_of(button), nullptr);
  EXPECT_EQ(skinner_of(button)->ClassName(), "TSkinButton");
  ASSERT_NE(skinner_of(bitbtn), nullptr);
  EXPECT_EQ(skinner_of(bitbtn)->ClassName(), "TSkinBitButton");
  EXPECT_EQ(button->Perform(kMsgIsSkinned, 0, 0), 1);
  // Every control of a kind this engine draws got its skinner, and nothing else did.
  const std::set<std::string> drawn = {"Pages", "Notebook", "TabSet", "Check", "InPanel", "UpDown", "Spin",
                                       "Player", "Navigator", "Bar", "Panel", "InContainer", "InNavigator",
                                       "Button", "RzCheck", "RzRadio", "CxCheck", "Group", "Status", "BitBtn",
                                       "TntCombo", "Combo", "Date", "Time", "Rich", "Grid", "CheckList", "List",
                                       "Edit", "Memo", "InGroup", "DcCombo", "DcEdit@handle", "Sheet"};
  auto listed = [&] {
    std::multiset<std::string> names;
    for (TSkinControl* s : walker_->FSkinControls) names.insert(s->Owner()->Name() + " " + s->ClassName());
    return names;
  };
  std::multiset<std::string> expected_skinners;
  for (const std::string& name : drawn) {
    std::string kind = expected.at(name);
    expected_skinners.insert(name.substr(0, name.find('@')) + " " + kind.substr(0, kind.find(' ')));
  }
  // A drop-down combo box's skinner also skins the scroll bar of its list.
  expected_skinners.insert("Combo TComboxScrollBar");
  EXPECT_EQ(listed(), expected_skinners);
  // The tool bar is flat and draws through the skin's painters.
  EXPECT_TRUE(bar->Flat);
  EXPECT_TRUE(bar->OnCustomDraw);
  EXPECT_TRUE(bar->OnCustomDrawButton);

  // A second walk makes nothing twice.
  walker_->chosen.clear();
  walker_->SkinControls();
  EXPECT_EQ(walker_->chosen.count("Button"), 0u);
  EXPECT_EQ(listed(), expected_skinners);
}

TEST_F(ControlMapping, SkinBitsAndTheDisableTagGateTheRows) {
  add<pc::TBitBtn>("BitBtn");
  add<pc::TButton>("Tagged")->Tag = 99;
  auto* group = add<StandIn>("Radios", nullptr, "TRadioGroupX");
  group->Tag = 99;
  auto* inner = add<pc::TRadioButton>("InRadios", group);
  add<pc::TCheckBox>("Check");
  add<pc::TButton>("Button");
  walk(TSkinData::kDefaultSkinControls & ~(SetOf(xcBitBtn) | SetOf(xcCheckBox)));
  // A bit button without its bit stays as it is although it is a button; the check box's row
  // fails and no later row takes it; tagged controls and the members of a tagged group are left.
  EXPECT_EQ(walker_->chosen, (std::map<std::string, std::string>{{"Button", "TSkinButton"}}));
  EXPECT_EQ(inner->Tag, 99);
}

TEST_F(ControlMapping, TheApplicationAndTheSkinDataDecideBeforeTheTables) {
  add<pc::TButton>("Mapped");
  add<NamedButton>("Quiet");
  add<pc::TButton>("Chosen");
  TSkinButton* own = nullptr;
  form_->HandleNeeded();
  start_skin();
  sd_->Skin3rd().Clear();
  sd_->Skin3rd().Add("TQuietButton=nil");
  sd_->OnSkinControl = [&](pc::TComponent*, TSkinData*, pc::TControl*, pc::TControl* c, const std::string& cls,
                           pc::TComponent*& skinned) {
    EXPECT_EQ(cls, std::string(c->ClassName() == "TQuietButton" ? "TQUIETBUTTON" : "TBUTTON"));
    if (c->Name() == "Chosen") skinned = own = new TSkinButton(c);
  };
  walker_ = new RecordingSkinner(nullptr);
  walker_->FSkinData = sd_;
  walker_->FForm = form_;
  walker_->FHandle = form_->Handle();
  walker_->SkinControls();
  // The class map's "nil" keeps a button unskinned; the application's own skinner is hooked.
  EXPECT_EQ(walker_->chosen, (std::map<std::string, std::string>{{"Mapped", "TSkinButton"}}));
  ASSERT_NE(own, nullptr);
  EXPECT_TRUE(own->FHooked);
  EXPECT_EQ(std::count(walker_->FSkinControls.begin(), walker_->FSkinControls.end(), own), 1);
}

TEST_F(ControlMapping, TheClassMapNamesSkinnersByKind) {
  struct Case {
    const char* line;
    const char* cls;
    bool border;
    const char* expected;  // empty: nothing made
  };
  const Case cases[] = {
      {"TFoo=combobox", "TFoo", false, "TSkinComBox"},
      {"TFoo=ComboBoxEx", "TFoo", false, "TSkinComBox extended"},
      {"TFoo=edit", "TFoo", true, "TSkinEdit"},
      {"TFoo=edit", "TFoo", false, ""},
      {"TFoo=radiobutton", "TFoo", false, "TSkinRadioButton"},
      {"TFoo=panel", "TFoo", false, "TSkinBox colour"},
      {"TFoo=trackbar", "TFoo", false, "TSkinTrackBar"},
      {"TFoo=button", "TFoo", false, "TSkinButton"},
      {"TFoo=datetimepicker", "TFoo", false, "TSkinDateTime"},
      {"TFoo=mediaplayer", "TFoo", false, "TSkinMP"},
      {"TFoo=bitbtn", "TFoo", false, "TSkinBitButton"},
      {"TcxButton=bitbtn", "TcxButton", false, "TSkinMenuButton"},
      {"TFoo=pngbitbtn", "TFoo", false, "TSkinBitButton PngImage"},
      {"TFoo=pngspeedbutton", "TFoo", false, "TSkinSpeedButton graphic speed PngImage"},
      {"TFoo=menubtn", "TFoo", false, "TSkinMenuButton"},
      {"TFoo=speedbutton", "TFoo", false, "TSkinSpeedButton graphic"},
      {"TFoo=tab", "TFoo", false, "TSkinTab"},
      {"TFoo=progress", "TFoo", false, "TSkinProgress"},
      {"TFoo=scrollbar", "TFoo", false, "TSkinScrollbar scroll"},
      {"TFoo=singlescrollbar", "TFoo", false, "TSkinScrollbar scroll mode1"},
      {"TFoo=groupbox", "TFoo", false, "TSkinGroupBox colour"},
      {"TFoo=advpagecontrol", "TFoo", false, "TSkinAdvPage colour page4"},
      {"TFoo=radiogroup", "TFoo", false, "TSkinGroupBox colour"},
      {"TFoo=checkgroup", "TFoo", false, "TSkinGroupBox colour"},
      {"TFoo=checkbox", "TFoo", false, "TSkinCheckBox"},
      {"TFoo=nil", "TFoo", false, ""},
      {"TFoo=somethingnew", "TFoo", false, ""},
  };
  form_->HandleNeeded();
  start_skin();
  sd_->FTabs = std::make_unique<TDataSkinBorder>("Tabs");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    auto* control = add<StandIn>("Ctl", nullptr, c.cls, c.border);
    control->kind_ = 1;  // a drop-down button where the kind counts
    sd_->Skin3rd().Clear();
    sd_->Skin3rd().Add(c.line);
    RecordingSkinner walker(nullptr);
    walker.FSkinData = sd_;
    walker.FForm = form_;
    walker.FHandle = form_->Handle();
    walker.MapControl(control, form_);
    const auto found = walker.chosen.find("Ctl");
    EXPECT_EQ(found == walker.chosen.end() ? std::string() : found->second, c.expected);
    walker.FreeSkinners();
    delete control;
  }
  // The kinds that go through the children.
  auto* box = add<StandIn>("Box", nullptr, "TFoo");
  add<pc::TListBox>("BoxList", box);
  add<StandIn>("BoxRz", box, "TRzRadioButton");
  add<pc::TRadioButton>("BoxRadio", box);
  for (const char* line : {"TFoo=embedscrollbar", "TFoo=container", "TFoo=radiogroup"}) {
    SCOPED_TRACE(line);
    sd_->Skin3rd().Clear();
    sd_->Skin3rd().Add(line);
    RecordingSkinner walker(nullptr);
    walker.FSkinData = sd_;
    walker.FForm = form_;
    walker.FHandle = form_->Handle();
    walker.MapControl(box, form_);
    std::map<std::string, std::string> expected;
    if (std::string(line) == "TFoo=embedscrollbar") expected = {{"BoxList", "TSkinScrollbar scroll"}};
    if (std::string(line) == "TFoo=container")
      expected = {{"BoxList", "TSkinScrollbar scroll"}, {"BoxRz", "TSkinObjImage colour glyph2"}};
    if (std::string(line) == "TFoo=radiogroup")
      expected = {{"BoxList", "TSkinRadioButton"}, {"BoxRz", "TSkinObjImage colour glyph2"}, {"BoxRadio", "TSkinRadioButton"},
                  {"Box", "TSkinGroupBox colour"}};
    EXPECT_EQ(walker.chosen, expected);
    walker.FreeSkinners();
  }
}

TEST_F(ControlMapping, BareWindowsAreMappedByWindowClass) {
  start_skin();
  sd_->OnFormSkin = [](pc::TObject*, const std::string&, bool& ok) { ok = false; };  // only the recorder walks
  for (const char* cls : {"TCheckBox", "TButton", "TProgressBar", "TPanel"}) {
    win::WNDCLASSEX wc;
    wc.lpfnWndProc = win::DefWindowProc;
    wc.lpszClassName = cls;
    win::RegisterClassEx(&wc);
  }
  win::HWND dialog = make("Dialog", win::WS_POPUP, 0, 0, 400, 400);
  struct Child {
    const char* cls;
    win::DWORD style;
    const char* expected;
  };
  const Child children[] = {
      {"Button", win::BS_PUSHBUTTON, "TSkinButton handle"},
      {"Button", win::BS_AUTOCHECKBOX, "TSkinCheckBox handle"},
      {"Button", win::BS_AUTORADIOBUTTON, "TSkinRadioButton handle"},
      {"Button", win::BS_GROUPBOX, ""},
      {"Button", win::BS_OWNERDRAW, ""},
      {"Button", win::BS_PUSHBUTTON | 0x80, ""},
      {"ComboBox", win::CBS_DROPDOWN, "TSkinComBox handle"},
      {"ComboBox", win::CBS_SIMPLE, ""},
      {"Edit", 0, "TSkinEdit handle"},
      {"ScrollBar", 0, "TSkinSizer handle"},
      {"ScrollBar", win::WS_TABSTOP, ""},
      {"SysTabControl32", 0, "TSkinTab handle"},
      {"ToolbarWindow32", 0, "TSkinBoxH handle"},
      {"TCheckBox", 0, "TSkinCheckBox handle"},
      {"TButton", 0, "TSkinButton handle"},
      {"TProgressBar", 0, "TSkinProgress handle"},
      {"SysTreeView32", 0, ""},
  };
  std::map<std::string, std::string> expected;
  int n = 0;
  for (const Child& c : children) {
    const int id = n++;
    win::CreateWindowEx(0, c.cls, "", win::WS_CHILD | win::WS_VISIBLE | c.style, 0, 0, 50, 20, dialog,
                        reinterpret_cast<win::HMENU>(static_cast<std::intptr_t>(id)), nullptr, nullptr);
    if (*c.expected) expected["c" + std::to_string(id)] = c.expected;
  }
  // A panel window of another library: its children are mapped, it gets none itself.
  win::HWND panel = win::CreateWindowEx(0, "TPanel", "panel", win::WS_CHILD | win::WS_VISIBLE, 0, 0, 50, 50, dialog,
                                        nullptr, nullptr, nullptr);
  win::CreateWindowEx(0, "Button", "", win::WS_CHILD | win::WS_VISIBLE, 0, 0, 50, 20, panel,
                      reinterpret_cast<win::HMENU>(std::intptr_t{100}), nullptr, nullptr);
  expected["c100"] = "TSkinButton handle";

  RecordingSkinner walker(nullptr);
  walker.FSkinData = sd_;
  walker.FHandle = dialog;
  walker.SkinControls();
  EXPECT_EQ(walker.chosen, expected);
  // The skinners of the kinds this engine draws are made (the buttons, check and radio buttons, the
  // combo box, the edit, the tab control, the progress bar, the size grip and the tool-bar window); a
  // second walk hooks nothing twice.
  EXPECT_EQ(walker.FSkinControls.size(), 12u);
  walker.chosen.clear();
  walker.SkinControls();
  EXPECT_EQ(walker.chosen.count("c0"), 0u);
}

TEST_F(ControlMapping, ASkinnedFormsControlsAreWalkedAtActivationAndGivenBackWhenTheSkinGoes) {
  auto* button = add<pc::TButton>("Button");
  button->SetBounds(10, 60, 80, 30);
  auto* bitbtn = add<pc::TBitBtn>("BitBtn");
  bitbtn->SetBounds(10, 100, 80, 30);
  auto* bar = add<pc::TToolBar>("Bar");
  start_skin();
  const pc::TColor colour0 = button->Color();
  form_->Show();
  pump();
  pump();
  TFormSkinner* f = SkinManager()->FindForm(form_->Handle());
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(f->FSkinControls.size(), 3u);  // the two buttons and the tool bar's colour-only skinner
  EXPECT_EQ(button->Perform(kMsgIsSkinned, 0, 0), 1);
  EXPECT_EQ(bitbtn->Perform(kMsgIsSkinned, 0, 0), 1);
  EXPECT_TRUE(bar->OnCustomDrawButton);

  // The button's face is the skin's frame 1 (normal) where the caption leaves it.
  const gdi::Bitmap screen = on_screen(form_->Handle());
  gdi::POINT p{12, 12};
  win::ClientToScreen(button->Handle(), &p);
  gdi::RECT wr;
  win::GetWindowRect(form_->Handle(), &wr);
  EXPECT_EQ(screen.pixel(p.x - wr.left, p.y - wr.top), gdi::pixel_from_colorref(five_frame_colour(kTagButtons, 1)));

  sd_->SetActive(false);
  pass(250);
  EXPECT_EQ(SkinManager()->FindForm(form_->Handle()), nullptr);
  EXPECT_EQ(button->Perform(kMsgIsSkinned, 0, 0), 0);
  EXPECT_EQ(bitbtn->Perform(kMsgIsSkinned, 0, 0), 0);
  EXPECT_EQ(button->Color(), colour0);
  EXPECT_FALSE(bar->OnCustomDrawButton);
  EXPECT_FALSE(bar->OnCustomDraw);
}

}  // namespace
}  // namespace skin::test
