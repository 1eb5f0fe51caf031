// Form definitions as C++ tables: the component tree with each component's kind, parent,
// published property values (as text), item lines and event links. Building a form from its table
// stands in for loading a streamed form.
#pragma once

#include <functional>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/components/controls.h"

namespace platform::components {

struct ComponentDef {
  std::string_view name;    // empty with an empty kind: the form itself
  std::string_view kind;    // a registered class name ("TBitBtn", "TTimer", ...)
  std::string_view parent;  // the windowed control it sits on; empty: the form
  // Published properties set in order, by text (SetPropText); "Items" lines come first.
  std::vector<std::pair<std::string_view, std::string_view>> props = {};
  std::vector<std::string_view> items = {};
  // Event name -> handler name in the handler table.
  std::vector<std::pair<std::string_view, std::string_view>> events = {};
  // Stored data besides the published properties, by name, as its component's writer produced it;
  // read after the properties.
  std::vector<std::pair<std::string_view, std::span<const std::uint8_t>>> binary = {};
};

using HandlerTable = std::map<std::string, TNotifyEvent, std::less<>>;
using ComponentFactory = std::function<TComponent*(TComponent* owner)>;

// Adds a kind the tables may name; the standard controls, TTimer and TImageList are known.
void RegisterComponentClass(std::string kind, ComponentFactory factory);

// Creates the table's components owned by `form`, in order (a parent comes before its children),
// and binds their events. The form and its components are loading while the table is read; then
// each hears Loaded, the form first and the components in table order. A table fault (an unknown
// kind, parent, property, value, stored data or handler, a duplicate name) throws EComponentError
// naming the component.
void BuildForm(TCustomForm& form, std::span<const ComponentDef> table, const HandlerTable& handlers);

}  // namespace platform::components
