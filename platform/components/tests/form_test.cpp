// A form built from its table: controls with their captions and defaults, clicks that run the
// bound handlers, and properties set from code that fire nothing.
#include <gtest/gtest.h>

#include "platform/components/form_table.h"
#include "platform/components/std_ctrls.h"
#include "platform/components/tests/test_support.h"
#include "platform/win/controls.h"

namespace platform::components::test {
namespace {

const ComponentDef kTable[] = {
    {"Form1", "", "", {{"Caption", "Merivo-D155"}, {"Width", "600"}, {"Height", "400"}, {"Position", "poScreenCenter"}}, {}, {{"OnCreate", "FormCreate"}}},
    {"Panel1", "TPanel", "", {{"Left", "0"}, {"Top", "0"}, {"Width", "300"}, {"Height", "300"}}},
    {"BitBtn1", "TBitBtn", "Panel1", {{"Caption", "读取"}, {"Left", "8"}, {"Top", "8"}, {"Width", "75"}, {"Height", "25"}}, {}, {{"OnClick", "BitBtn1Click"}}},
    {"CheckBox3", "TCheckBox", "Panel1", {{"Caption", "自动"}, {"Left", "8"}, {"Top", "40"}, {"Checked", "True"}}, {}, {{"OnClick", "CheckBox3Click"}}},
    {"ComboBox1", "TComboBox", "Panel1", {{"Left", "8"}, {"Top", "70"}, {"Style", "csDropDownList"}, {"ItemIndex", "2"}}, {"1200", "2400", "9600"}, {{"OnChange", "ComboBox1Change"}}},
    {"Edit1", "TEdit", "Panel1", {{"Left", "8"}, {"Top", "100"}, {"MaxLength", "4"}, {"Text", "0001"}}, {}, {{"OnChange", "Edit1Change"}}},
    {"Label7", "TLabel", "Panel1", {{"Caption", "分钟"}, {"Left", "140"}, {"Top", "104"}}, {}, {{"OnClick", "Label7Click"}}},
    {"Timer1", "TTimer", "", {{"Enabled", "False"}, {"Interval", "500"}}, {}, {{"OnTimer", "Timer1Timer"}}},
};

class FormTable : public ComponentsTest {
protected:
  void SetUp() override {
    ComponentsTest::SetUp();
    handlers_ = {
        {"FormCreate", [this](TObject*) { log_.push_back("create"); }},
        {"BitBtn1Click", [this](TObject*) { log_.push_back("BitBtn1"); }},
        {"CheckBox3Click", [this](TObject*) { log_.push_back("CheckBox3"); }},
        {"ComboBox1Change", [this](TObject*) { log_.push_back("ComboBox1"); }},
        {"Label7Click", [this](TObject*) { log_.push_back("Label7"); }},
        {"Edit1Change", [this](TObject*) { log_.push_back("Edit1"); }},
        {"Timer1Timer", [this](TObject*) { log_.push_back("Timer1"); }},
    };
    form_ = Application().CreateForm<TForm>([this](TForm& f) { BuildForm(f, kTable, handlers_); });
    form_->Show();
    pump();
  }
  template <typename T>
  T& find(const char* name) {
    auto* c = dynamic_cast<T*>(form_->FindComponent(name));
    EXPECT_NE(c, nullptr) << name;
    return *c;
  }
  HandlerTable handlers_;
  std::vector<std::string> log_;
  TForm* form_ = nullptr;
};

TEST_F(FormTable, ShowsItsControlsWithCaptionsAndDefaults) {
  EXPECT_EQ(log_, std::vector<std::string>{"create"});
  EXPECT_EQ(win::GetWindowText(form_->Handle()), "Merivo-D155");
  auto& btn = find<TBitBtn>("BitBtn1");
  EXPECT_EQ(win::GetWindowText(btn.Handle()), "读取");
  EXPECT_EQ(win::GetClassName(btn.Handle()), "Button");
  EXPECT_EQ(win::GetParent(btn.Handle()), find<TPanel>("Panel1").Handle());
  EXPECT_TRUE(win::IsWindowVisible(btn.Handle()));
  auto& check = find<TCheckBox>("CheckBox3");
  EXPECT_EQ(win::SendMessage(check.Handle(), win::BM_GETCHECK, 0, 0), win::BST_CHECKED);
  auto& combo = find<TComboBox>("ComboBox1");
  EXPECT_EQ(win::SendMessage(combo.Handle(), win::CB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(combo.ItemIndex(), 2);
  EXPECT_EQ(combo.Text(), "9600");
  auto& edit = find<TEdit>("Edit1");
  EXPECT_EQ(win::GetWindowText(edit.Handle()), "0001");
  EXPECT_EQ(win::SendMessage(edit.Handle(), win::EM_GETLIMITTEXT, 0, 0), 4);
  EXPECT_EQ(find<TLabel>("Label7").Caption(), "分钟");
  EXPECT_FALSE(find<TTimer>("Timer1").Enabled());
  EXPECT_EQ(find<TTimer>("Timer1").Interval(), 500u);
  // What the skin engine reads by name.
  EXPECT_EQ(GetEnumPropText(&check, "state"), "cbChecked");
  EXPECT_EQ(GetIntProp(&btn, "Width"), 75);
  EXPECT_EQ(GetStrProp(&btn, "Caption"), "读取");
  EXPECT_EQ(GetEnumPropText(&btn, "Layout"), "blGlyphLeft");
  EXPECT_EQ(GetEnumPropText(&btn, "Default"), "False");
  EXPECT_EQ(GetEnumPropText(&find<TPanel>("Panel1"), "ParentBackground"), "True");
  EXPECT_TRUE(SetPropText(form_, "AutoScroll", "False"));
  EXPECT_EQ(GetIntProp(form_, "Color"), static_cast<std::int64_t>(clBtnFace));
}

TEST_F(FormTable, UserClicksRunHandlersAndCodeSetsFireNothing) {
  auto& btn = find<TBitBtn>("BitBtn1");
  auto& check = find<TCheckBox>("CheckBox3");
  auto& combo = find<TComboBox>("ComboBox1");
  auto& edit = find<TEdit>("Edit1");
  log_.clear();
  check.SetChecked(false);
  combo.SetItemIndex(0);
  edit.SetText("0002");
  btn.SetCaption("停止");
  find<TLabel>("Label7").SetCaption("秒钟");
  EXPECT_TRUE(log_.empty());
  EXPECT_FALSE(check.Checked());
  EXPECT_EQ(combo.Text(), "1200");
  EXPECT_EQ(win::GetWindowText(btn.Handle()), "停止");

  click(btn);
  click(check);
  EXPECT_EQ(log_, (std::vector<std::string>{"BitBtn1", "CheckBox3"}));
  EXPECT_TRUE(check.Checked());  // the user's click toggled it

  // A click on the label (no window of its own) reaches it through its parent.
  log_.clear();
  auto& panel = find<TPanel>("Panel1");
  gdi::POINT p{145, 108};
  win::ClientToScreen(panel.Handle(), &p);
  clock_.advance(std::chrono::milliseconds(1000));  // not a double click
  auto& label = find<TLabel>("Label7");
  std::vector<UINT> hover;
  TWndMethod old = label.WindowProc;
  label.WindowProc = [&hover, old](TMessage& m) {
    if (m.Msg == CM_MOUSEENTER || m.Msg == CM_MOUSELEAVE) hover.push_back(m.Msg);
    old(m);
  };
  win::inject_mouse_move(p);
  win::inject_mouse_button(p, win::MouseButton::kLeft, true);
  win::inject_mouse_button(p, win::MouseButton::kLeft, false);
  pump();
  EXPECT_EQ(log_, std::vector<std::string>{"Label7"});
  gdi::POINT away{250, 250};
  win::ClientToScreen(panel.Handle(), &away);
  win::inject_mouse_move(away);
  pump();
  EXPECT_EQ(hover, (std::vector<UINT>{CM_MOUSEENTER, CM_MOUSELEAVE}));
  label.WindowProc = old;

  // Choosing in the drop-down list by keyboard is user input too.
  log_.clear();
  combo.SetFocus();
  win::inject_key(win::VK_DOWN, true);
  win::inject_key(win::VK_DOWN, false);
  pump();
  EXPECT_EQ(combo.ItemIndex(), 1);
  EXPECT_EQ(log_, std::vector<std::string>{"ComboBox1"});

  // Typing into the edit is user input: OnChange runs, and the length limit holds.
  log_.clear();
  edit.SetFocus();
  edit.SetText("");
  for (char ch : std::string("12345")) {
    win::inject_key(static_cast<win::UINT>(ch), true, static_cast<char32_t>(ch));
    win::inject_key(static_cast<win::UINT>(ch), false);
  }
  pump();
  EXPECT_EQ(edit.Text(), "1234");
  EXPECT_EQ(log_, (std::vector<std::string>{"Edit1", "Edit1", "Edit1", "Edit1"}));
}

TEST_F(FormTable, ReplaceableWindowProcSeesMessagesFirst) {
  auto& btn = find<TBitBtn>("BitBtn1");
  std::vector<UINT> seen;
  TWndMethod old = btn.WindowProc;
  btn.WindowProc = [&](TMessage& m) {
    seen.push_back(m.Msg);
    if (m.Msg == CM_MOUSEENTER) {
      m.Result = 7;
      return;  // swallowed
    }
    old(m);
  };
  EXPECT_EQ(btn.Perform(CM_MOUSEENTER, 0, 0), 7);
  btn.SetEnabled(false);
  EXPECT_NE(std::find(seen.begin(), seen.end(), CM_ENABLEDCHANGED), seen.end());
  EXPECT_FALSE(win::IsWindowEnabled(btn.Handle()));
  btn.WindowProc = old;
}

TEST_F(FormTable, TableFaultsNameTheComponent) {
  struct Case {
    ComponentDef def;
    const char* message;
  };
  const Case cases[] = {
      {{"X1", "TNoSuchKind", ""}, "X1: unknown kind"},
      {{"X2", "TButton", "NoPanel"}, "X2: unknown parent"},
      {{"X3", "TButton", "", {{"NoProp", "1"}}}, "X3: no property"},
      {{"X4", "TCheckBox", "", {{"Checked", "maybe"}}}, "X4: invalid value"},
      {{"X5", "TButton", "", {}, {}, {{"OnClick", "Missing"}}}, "X5: no handler"},
      {{"BitBtn1", "TButton", ""}, "already exists"},
      {{"X6", "TButton", "", {}, {}, {}, {{"NoData", {}}}}, "X6: no stored data"},
  };
  for (const Case& c : cases) {
    try {
      BuildForm(*form_, std::span<const ComponentDef>(&c.def, 1), handlers_);
      ADD_FAILURE() << c.message;
    } catch (const EComponentError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(form_->FindComponent("X3"), nullptr);  // a faulty component is not left behind
}

// A component that stores data besides its properties and records what it saw while loading.
class Recorder : public TComponent {
public:
  explicit Recorder(TComponent* owner) : TComponent(owner) {
    PublishString("Mode", [this] { return mode_; }, [this](std::string v) {
      mode_ = v;
      log.push_back(Name() + " Mode " + v + (Loading() ? " loading" : ""));
    });
    DefineBinaryProperty(
        "Blob",
        [this](std::span<const std::uint8_t> d) {
          blob.assign(d.begin(), d.end());
          log.push_back(Name() + " Blob " + std::to_string(d.size()) + (Loading() ? " loading" : ""));
        },
        [this] { return blob; });
  }
  void Loaded() override {
    TComponent::Loaded();
    log.push_back(Name() + " Loaded, " + std::to_string(Owner()->ComponentCount()) + " read");
  }
  static std::vector<std::string> log;
  std::vector<std::uint8_t> blob;

private:
  std::string mode_;
};
std::vector<std::string> Recorder::log;

TEST_F(FormTable, StoredDataIsReadAfterThePropertiesAndLoadedComesOnceAllAreRead) {
  RegisterComponentClass("TRecorder", [](TComponent* o) { return new Recorder(o); });
  Recorder::log.clear();
  static const std::uint8_t data[] = {3, 0, 0, 0, 7, 8, 9};
  const ComponentDef table[] = {
      {"R1", "TRecorder", "", {{"Mode", "a"}}, {}, {}, {{"Blob", data}}},
      {"R2", "TRecorder", "", {{"Mode", "b"}}},
  };
  auto* form = new TForm(&Application());
  const int before = form->ComponentCount();
  BuildForm(*form, table, handlers_);
  const std::string n = std::to_string(before + 2);
  EXPECT_EQ(Recorder::log, (std::vector<std::string>{"R1 Mode a loading", "R1 Blob 7 loading", "R2 Mode b loading",
                                                     "R1 Loaded, " + n + " read", "R2 Loaded, " + n + " read"}));
  auto* r1 = dynamic_cast<Recorder*>(form->FindComponent("R1"));
  ASSERT_NE(r1, nullptr);
  EXPECT_FALSE(r1->Loading());
  EXPECT_FALSE(form->Loading());
  const TComponent::BinaryProperty* b = r1->FindBinaryProperty("blob");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->write(), std::vector<std::uint8_t>(std::begin(data), std::end(data)));
  delete form;
}

TEST_F(FormTable, ApplicationListsEveryFormInCreationOrder) {
  const int before = TApplication::FormCount();
  auto* a = new TForm(nullptr);
  auto* b = new TForm(&Application());
  ASSERT_EQ(TApplication::FormCount(), before + 2);
  EXPECT_EQ(TApplication::Forms(before), a);
  EXPECT_EQ(TApplication::Forms(before + 1), b);
  delete a;
  EXPECT_EQ(TApplication::FormCount(), before + 1);
  EXPECT_EQ(TApplication::Forms(before), b);
  EXPECT_THROW(TApplication::Forms(before + 1), EComponentError);
  delete b;
}

}  // namespace
}  // namespace platform::components::test
