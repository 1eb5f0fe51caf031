#include "platform/components/classes.h"

#include <algorithm>
#include <numeric>

#include "core/unicode.h"

namespace platform::components {
namespace {

bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

int compare_text(std::string_view a, std::string_view b, bool case_sensitive) {
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (!case_sensitive) {
      if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
      if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    }
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace

// ---- TComponent ----
TComponent::TComponent(TComponent* owner) {
  if (owner) owner->insert(this);
}

TComponent::~TComponent() {
  destroying_ = true;
  DestroyComponents();
  // Tell everyone who asked, then drop the links so nobody calls back into a freed object.
  auto notified = notified_;
  notified_.clear();
  for (TComponent* c : notified) {
    auto& back = c->notified_;
    back.erase(std::remove(back.begin(), back.end(), this), back.end());
    c->Notification(this, TOperation::opRemove);
  }
  if (owner_) {
    owner_->Notification(this, TOperation::opRemove);
    owner_->remove(this);
  }
}

void TComponent::insert(TComponent* c) {
  components_.push_back(c);
  c->owner_ = this;
  Notification(c, TOperation::opInsert);
}

void TComponent::remove(TComponent* c) {
  components_.erase(std::remove(components_.begin(), components_.end(), c), components_.end());
  c->owner_ = nullptr;
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) delete components_.back();
}

void TComponent::SetName(std::string_view name) {
  if (owner_ && !name.empty()) {
    for (TComponent* c : owner_->components_)
      if (c != this && same_name(c->name_, name))
        throw EComponentError("A component named " + std::string(name) + " already exists");
  }
  name_ = std::string(name);
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount()) throw EComponentError("List index out of bounds (" + std::to_string(index) + ")");
  return components_[static_cast<std::size_t>(index)];
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : components_)
    if (same_name(c->name_, name)) return c;
  return nullptr;
}

void TComponent::FreeNotification(TComponent* c) {
  if (!c || c == this) return;
  if (std::find(notified_.begin(), notified_.end(), c) == notified_.end()) notified_.push_back(c);
  if (std::find(c->notified_.begin(), c->notified_.end(), this) == c->notified_.end()) c->notified_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* c) {
  notified_.erase(std::remove(notified_.begin(), notified_.end(), c), notified_.end());
  if (c) c->notified_.erase(std::remove(c->notified_.begin(), c->notified_.end(), this), c->notified_.end());
}

void TComponent::Notification(TComponent*, TOperation) {}

bool TComponent::SetEvent(std::string_view, std::function<void(TObject*)>) { return false; }

void TComponent::Publish(PropInfo info) {
  for (auto& p : props_)
    if (same_name(p.name, info.name)) {
      p = std::move(info);  // a subclass redefines what its base published
      return;
    }
  props_.push_back(std::move(info));
}

void TComponent::PublishInt(std::string name, std::function<std::int64_t()> get, std::function<void(std::int64_t)> set) {
  PropInfo p{std::move(name), TypeKind::kInteger, {}, [get] { return PropValue(get()); }, nullptr};
  if (set) p.set = [set](const PropValue& v) { set(std::get<std::int64_t>(v)); };
  Publish(std::move(p));
}

void TComponent::PublishBool(std::string name, std::function<bool()> get, std::function<void(bool)> set) {
  PropInfo p{std::move(name), TypeKind::kBoolean, {"False", "True"}, [get] { return PropValue(get()); }, nullptr};
  if (set) p.set = [set](const PropValue& v) { set(std::get<bool>(v)); };
  Publish(std::move(p));
}

void TComponent::PublishString(std::string name, std::function<std::string()> get, std::function<void(std::string)> set) {
  PropInfo p{std::move(name), TypeKind::kString, {}, [get] { return PropValue(get()); }, nullptr};
  if (set) p.set = [set](const PropValue& v) { set(std::get<std::string>(v)); };
  Publish(std::move(p));
}

const TComponent::BinaryProperty* TComponent::FindBinaryProperty(std::string_view name) const {
  for (const auto& b : binary_props_)
    if (same_name(b.name, name)) return &b;
  return nullptr;
}

void TComponent::DefineBinaryProperty(std::string name, std::function<void(std::span<const std::uint8_t>)> read,
                                      std::function<std::vector<std::uint8_t>()> write) {
  binary_props_.push_back({std::move(name), std::move(read), std::move(write)});
}

void TComponent::PublishObject(std::string name, std::function<TObject*()> get) {
  Publish({std::move(name), TypeKind::kClass, {}, [get] { return PropValue(get()); }, nullptr});
}

void TComponent::PublishEnum(std::string name, std::vector<std::string> ids, std::function<int()> get,
                             std::function<void(int)> set) {
  PropInfo p{std::move(name), TypeKind::kEnumeration, std::move(ids),
             [get] { return PropValue(static_cast<std::int64_t>(get())); }, nullptr};
  if (set) p.set = [set](const PropValue& v) { set(static_cast<int>(std::get<std::int64_t>(v))); };
  Publish(std::move(p));
}

const PropInfo* TComponent::FindProperty(std::string_view name) const {
  for (const auto& p : props_)
    if (same_name(p.name, name)) return &p;
  return nullptr;
}

// ---- property access by name ----
bool IsPublishedProp(const TComponent* c, std::string_view name) { return c && c->FindProperty(name); }

std::optional<TypeKind> PropKind(const TComponent* c, std::string_view name) {
  const PropInfo* p = c ? c->FindProperty(name) : nullptr;
  if (!p) return std::nullopt;
  return p->kind;
}

std::int64_t GetIntProp(const TComponent* c, std::string_view name) {
  const PropInfo* p = c ? c->FindProperty(name) : nullptr;
  if (!p || p->kind != TypeKind::kInteger) return -1;
  return std::get<std::int64_t>(p->get());
}

std::string GetEnumPropText(const TComponent* c, std::string_view name) {
  const PropInfo* p = c ? c->FindProperty(name) : nullptr;
  if (!p) return {};
  if (p->kind == TypeKind::kBoolean) return std::get<bool>(p->get()) ? "True" : "False";
  if (p->kind != TypeKind::kEnumeration) return {};
  auto v = std::get<std::int64_t>(p->get());
  if (v < 0 || v >= static_cast<std::int64_t>(p->identifiers.size())) return std::to_string(v);
  return p->identifiers[static_cast<std::size_t>(v)];
}

std::string GetStrProp(const TComponent* c, std::string_view name) {
  const PropInfo* p = c ? c->FindProperty(name) : nullptr;
  if (!p || p->kind != TypeKind::kString) return {};
  return std::get<std::string>(p->get());
}

TObject* GetObjectProp(const TComponent* c, std::string_view name) {
  const PropInfo* p = c ? c->FindProperty(name) : nullptr;
  if (!p || p->kind != TypeKind::kClass) return nullptr;
  return std::get<TObject*>(p->get());
}

bool SetIntProp(TComponent* c, std::string_view name, std::int64_t value) {
  const PropInfo* p = c ? c->FindProperty(name) : nullptr;
  if (!p || !p->set || p->kind != TypeKind::kInteger) return false;
  p->set(value);
  return true;
}

bool SetPropText(TComponent* c, std::string_view name, std::string_view text) {
  const PropInfo* p = c ? c->FindProperty(name) : nullptr;
  if (!p || !p->set) return false;
  switch (p->kind) {
    case TypeKind::kInteger: {
      std::int64_t v = 0;
      std::size_t i = 0;
      bool neg = !text.empty() && text[0] == '-';
      if (neg || (!text.empty() && text[0] == '+')) ++i;
      if (i >= text.size()) throw EComponentError("'" + std::string(text) + "' is not a valid integer value");
      for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9' || v > (INT64_MAX - 9) / 10)
          throw EComponentError("'" + std::string(text) + "' is not a valid integer value");
        v = v * 10 + (text[i] - '0');
      }
      p->set(neg ? -v : v);
      return true;
    }
    case TypeKind::kBoolean:
    case TypeKind::kEnumeration:
      for (std::size_t i = 0; i < p->identifiers.size(); ++i)
        if (same_name(p->identifiers[i], text)) {
          if (p->kind == TypeKind::kBoolean) p->set(i == 1);
          else p->set(static_cast<std::int64_t>(i));
          return true;
        }
      return false;
    case TypeKind::kString:
      p->set(std::string(text));
      return true;
    case TypeKind::kClass:
      return false;
  }
  return false;
}

// ---- TStrings ----
TObject* TStrings::Objects(int) const { return nullptr; }
void TStrings::PutObject(int, TObject*) {}

int TStrings::Add(std::string_view s) {
  int n = Count();
  Insert(n, s);
  return n;
}

int TStrings::AddObject(std::string_view s, TObject* o) {
  int i = Add(s);
  PutObject(i, o);
  return i;
}

void TStrings::Assign(const TStrings& other) {
  if (&other == this) return;
  BeginUpdate();
  Clear();
  for (int i = 0; i < other.Count(); ++i) AddObject(other.Get(i), other.Objects(i));
  EndUpdate();
}

void TStrings::SetText(std::string_view text) {
  BeginUpdate();
  Clear();
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    Add(text.substr(start, end - start));
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
    start = end + 1;
  }
  EndUpdate();
}

std::string TStrings::Text() const {
  std::string out;
  for (int i = 0; i < Count(); ++i) out += Get(i) + "\r\n";
  return out;
}

int TStrings::IndexOf(std::string_view s) const {
  for (int i = 0; i < Count(); ++i)
    if (compare_text(Get(i), s, false) == 0) return i;
  return -1;
}

void TStrings::EndUpdate() {
  if (update_count_ > 0 && --update_count_ == 0 && changed_while_updating_) {
    changed_while_updating_ = false;
    if (OnChange) OnChange(this);
  }
}

void TStrings::Changed() {
  if (update_count_ > 0) {
    changed_while_updating_ = true;
    return;
  }
  if (OnChange) OnChange(this);
}

// ---- TStringList ----
void TStringList::check(int index) const {
  if (index < 0 || index >= Count())
    throw EComponentError("List index out of bounds (" + std::to_string(index) + ")");
}

int TStringList::compare(const std::string& a, const std::string& b) const { return compare_text(a, b, CaseSensitive); }

std::string TStringList::Get(int index) const {
  check(index);
  return items_[static_cast<std::size_t>(index)].s;
}

void TStringList::Put(int index, std::string_view s) {
  if (sorted_) throw EComponentError("Operation not allowed on sorted list");
  check(index);
  items_[static_cast<std::size_t>(index)].s = std::string(s);
  Changed();
}

void TStringList::Insert(int index, std::string_view s) {
  if (sorted_) throw EComponentError("Operation not allowed on sorted list");
  if (index < 0 || index > Count()) throw EComponentError("List index out of bounds (" + std::to_string(index) + ")");
  items_.insert(items_.begin() + index, Item{std::string(s), nullptr});
  Changed();
}

int TStringList::Add(std::string_view s) {
  if (!sorted_) {
    items_.push_back(Item{std::string(s), nullptr});
    Changed();
    return Count() - 1;
  }
  std::string str(s);
  auto it = std::lower_bound(items_.begin(), items_.end(), str,
                             [this](const Item& a, const std::string& b) { return compare(a.s, b) < 0; });
  if (it != items_.end() && compare(it->s, str) == 0) {
    if (Duplicates == TDuplicates::dupIgnore) return static_cast<int>(it - items_.begin());
    if (Duplicates == TDuplicates::dupError) throw EComponentError("String list does not allow duplicates");
  }
  it = std::upper_bound(items_.begin(), items_.end(), str,
                        [this](const std::string& a, const Item& b) { return compare(a, b.s) < 0; });
  int at = static_cast<int>(it - items_.begin());
  items_.insert(it, Item{std::move(str), nullptr});
  Changed();
  return at;
}

void TStringList::Delete(int index) {
  check(index);
  items_.erase(items_.begin() + index);
  Changed();
}

void TStringList::Clear() {
  if (items_.empty()) return;
  items_.clear();
  Changed();
}

TObject* TStringList::Objects(int index) const {
  check(index);
  return items_[static_cast<std::size_t>(index)].o;
}

void TStringList::PutObject(int index, TObject* o) {
  check(index);
  items_[static_cast<std::size_t>(index)].o = o;
}

int TStringList::IndexOf(std::string_view s) const {
  for (int i = 0; i < Count(); ++i)
    if (compare_text(items_[static_cast<std::size_t>(i)].s, s, CaseSensitive) == 0) return i;
  return -1;
}

void TStringList::Exchange(int a, int b) {
  check(a);
  check(b);
  std::swap(items_[static_cast<std::size_t>(a)], items_[static_cast<std::size_t>(b)]);
  Changed();
}

void TStringList::SetSorted(bool sorted) {
  if (sorted && !sorted_) Sort();
  sorted_ = sorted;
}

void TStringList::Sort() {
  CustomSort([](TStringList& l, int a, int b) { return l.compare(l.items_[static_cast<std::size_t>(a)].s, l.items_[static_cast<std::size_t>(b)].s); });
}

void TStringList::CustomSort(const TStringListSortCompare& cmp) {
  if (items_.size() < 2) return;
  // Sort a permutation so the comparison sees the list as it stands, then apply it.
  std::vector<int> order(items_.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return cmp(*this, a, b) < 0; });
  std::vector<Item> sorted;
  sorted.reserve(items_.size());
  for (int i : order) sorted.push_back(std::move(items_[static_cast<std::size_t>(i)]));
  items_ = std::move(sorted);
  Changed();
}

}  // namespace platform::components
