#include "platform/components/form_table.h"

#include "platform/components/comctrls.h"
#include "platform/components/ext_ctrls.h"
#include "platform/components/std_ctrls.h"

namespace platform::components {
namespace {

std::map<std::string, ComponentFactory, std::less<>>& registry() {
  static std::map<std::string, ComponentFactory, std::less<>> r = [] {
    std::map<std::string, ComponentFactory, std::less<>> m;
    m["TButton"] = [](TComponent* o) { return new TButton(o); };
    m["TBitBtn"] = [](TComponent* o) { return new TBitBtn(o); };
    m["TCheckBox"] = [](TComponent* o) { return new TCheckBox(o); };
    m["TEdit"] = [](TComponent* o) { return new TEdit(o); };
    m["TLabel"] = [](TComponent* o) { return new TLabel(o); };
    m["TPanel"] = [](TComponent* o) { return new TPanel(o); };
    m["TGroupBox"] = [](TComponent* o) { return new TGroupBox(o); };
    m["TComboBox"] = [](TComponent* o) { return new TComboBox(o); };
    m["TListBox"] = [](TComponent* o) { return new TListBox(o); };
    m["TTimer"] = [](TComponent* o) { return new TTimer(o); };
    m["TImageList"] = [](TComponent* o) { return new TImageList(o); };
    m["TLabeledEdit"] = [](TComponent* o) { return new TLabeledEdit(o); };
    m["TStatusBar"] = [](TComponent* o) { return new TStatusBar(o); };
    m["TPageControl"] = [](TComponent* o) { return new TPageControl(o); };
    m["TTabSheet"] = [](TComponent* o) { return new TTabSheet(o); };
    m["TDateTimePicker"] = [](TComponent* o) { return new TDateTimePicker(o); };
    m["TPopupMenu"] = [](TComponent* o) { return new TPopupMenu(o); };
    m["TMenuItem"] = [](TComponent* o) { return new TMenuItem(o); };
    m["TImage"] = [](TComponent* o) { return new TImage(o); };
    m["TToolBar"] = [](TComponent* o) { return new TToolBar(o); };
    m["TToolButton"] = [](TComponent* o) { return new TToolButton(o); };
    m["TMainMenu"] = [](TComponent* o) { return new TMainMenu(o); };
    m["TSpeedButton"] = [](TComponent* o) { return new TSpeedButton(o); };
    m["TRadioButton"] = [](TComponent* o) { return new TRadioButton(o); };
    m["TRadioGroup"] = [](TComponent* o) { return new TRadioGroup(o); };
    m["TTrackBar"] = [](TComponent* o) { return new TTrackBar(o); };
    m["TUpDown"] = [](TComponent* o) { return new TUpDown(o); };
    m["TProgressBar"] = [](TComponent* o) { return new TProgressBar(o); };
    m["TMemo"] = [](TComponent* o) { return new TMemo(o); };
    m["THeaderControl"] = [](TComponent* o) { return new THeaderControl(o); };
    m["TListView"] = [](TComponent* o) { return new TListView(o); };
    m["TCheckListBox"] = [](TComponent* o) { return new TCheckListBox(o); };
    return m;
  }();
  return r;
}

[[noreturn]] void fault(const ComponentDef& d, const std::string& what) {
  throw EComponentError("Form table, " + std::string(d.name.empty() ? "form" : d.name) + ": " + what);
}

void apply(TComponent& c, const ComponentDef& d, const HandlerTable& handlers) {
  if (!d.items.empty()) {
    auto* items = dynamic_cast<TStrings*>(GetObjectProp(&c, "Items"));
    if (!items) fault(d, "has no Items");
    items->BeginUpdate();
    for (std::string_view line : d.items) items->Add(line);
    items->EndUpdate();
  }
  for (const auto& [prop, value] : d.props) {
    if (!IsPublishedProp(&c, prop)) fault(d, "no property " + std::string(prop));
    bool ok = false;
    try {
      ok = SetPropText(&c, prop, value);
    } catch (const EComponentError& e) {
      fault(d, std::string(prop) + ": " + e.what());
    }
    if (!ok) fault(d, "invalid value '" + std::string(value) + "' for " + std::string(prop));
  }
  for (const auto& [name, data] : d.binary) {
    const TComponent::BinaryProperty* b = c.FindBinaryProperty(name);
    if (!b || !b->read) fault(d, "no stored data " + std::string(name));
    b->read(data);
  }
  for (const auto& [event, handler] : d.events) {
    auto it = handlers.find(handler);
    if (it == handlers.end()) fault(d, "no handler " + std::string(handler));
    if (!c.SetEvent(event, it->second)) fault(d, "no event " + std::string(event));
  }
}

}  // namespace

void RegisterComponentClass(std::string kind, ComponentFactory factory) { registry()[std::move(kind)] = std::move(factory); }

void BuildForm(TCustomForm& form, std::span<const ComponentDef> table, const HandlerTable& handlers) {
  std::vector<TComponent*> loading{&form};
  form.BeginLoading();
  // A fault leaves no component in the loading state.
  struct EndLoading {
    std::vector<TComponent*>& list;
    bool done = false;
    ~EndLoading() {
      if (!done)
        for (TComponent* c : list) c->TComponent::Loaded();
    }
  } guard{loading};
  for (const ComponentDef& d : table) {
    if (d.kind.empty()) {
      if (!d.name.empty()) form.SetName(d.name);
      apply(form, d, handlers);
      continue;
    }
    auto it = registry().find(d.kind);
    if (it == registry().end()) fault(d, "unknown kind " + std::string(d.kind));
    TComponent* parent = &form;
    if (!d.parent.empty()) {
      parent = form.FindComponent(d.parent);
      if (!parent) fault(d, "unknown parent " + std::string(d.parent));
    }
    TComponent* c = it->second(&form);
    try {
      c->BeginLoading();
      c->SetName(d.name);
      // Where a component goes depends on both kinds: a tab sheet joins its page control, a menu
      // item its menu, a tool button its bar, a control its windowed parent.
      if (auto* sheet = dynamic_cast<TTabSheet*>(c); sheet && dynamic_cast<TPageControl*>(parent)) {
        sheet->SetPageControl(static_cast<TPageControl*>(parent));
      } else if (auto* item = dynamic_cast<TMenuItem*>(c)) {
        if (auto* menu = dynamic_cast<TPopupMenu*>(parent)) menu->Items().Add(item);
        else if (auto* bar = dynamic_cast<TMainMenu*>(parent)) bar->Items().Add(item);
        else if (auto* up = dynamic_cast<TMenuItem*>(parent)) up->Add(item);
        else fault(d, "a menu item needs a menu or menu item as its parent");
      } else if (auto* button = dynamic_cast<TToolButton*>(c)) {
        auto* bar = dynamic_cast<TToolBar*>(parent);
        if (!bar) fault(d, "a tool button needs a tool bar as its parent");
        button->SetToolBar(bar);
      } else if (auto* control = dynamic_cast<TControl*>(c)) {
        auto* wc = dynamic_cast<TWinControl*>(parent);
        if (!wc) fault(d, "parent " + std::string(d.parent) + " is not a windowed control");
        control->SetParent(wc);
      }
      apply(*c, d, handlers);
    } catch (...) {
      delete c;
      throw;
    }
    loading.push_back(c);
  }
  guard.done = true;
  for (TComponent* c : loading) c->Loaded();
}

}  // namespace platform::components
