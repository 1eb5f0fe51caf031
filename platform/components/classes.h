// The component model: objects with an owner that frees them, free notification, string lists, and
// published properties that other code (the skin engine) reads and writes by name.
//
// Ownership follows the component model: an owned component is freed by its owner, so application
// code creates children with `new T(owner)` and keeps only the root in a std::unique_ptr. Freeing a
// child earlier (delete) is allowed: it leaves its owner's list first.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/win/win_types.h"

namespace platform::components {

using platform::win::LPARAM;
using platform::win::LRESULT;
using platform::win::UINT;
using platform::win::WPARAM;

class TObject {
public:
  virtual ~TObject() = default;
  // The class name ("TButton"), which the skin engine maps to its painters.
  virtual std::string ClassName() const { return "TObject"; }
};

using TNotifyEvent = std::function<void(TObject* sender)>;

// A message as the window-procedure method sees it; handlers set Result.
struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};
using TWndMethod = std::function<void(TMessage&)>;

// Notification codes of the component layer (the numbers other code compares).
inline constexpr UINT CM_BASE = 0xB000;
inline constexpr UINT CM_ACTIVATE = CM_BASE + 0x00, CM_DEACTIVATE = CM_BASE + 0x01, CM_GOTFOCUS = CM_BASE + 0x02,
                      CM_LOSTFOCUS = CM_BASE + 0x03, CM_CANCELMODE = CM_BASE + 0x04, CM_DIALOGKEY = CM_BASE + 0x06,
                      CM_DIALOGCHAR = CM_BASE + 0x07, CM_FOCUSCHANGED = CM_BASE + 0x08,
                      CM_PARENTFONTCHANGED = CM_BASE + 0x09, CM_PARENTCOLORCHANGED = CM_BASE + 0x0A,
                      CM_VISIBLECHANGED = CM_BASE + 0x0B, CM_ENABLEDCHANGED = CM_BASE + 0x0C,
                      CM_COLORCHANGED = CM_BASE + 0x0D, CM_FONTCHANGED = CM_BASE + 0x0E,
                      CM_TEXTCHANGED = CM_BASE + 0x12, CM_MOUSEENTER = CM_BASE + 0x13,
                      CM_MOUSELEAVE = CM_BASE + 0x14, CM_MENUCHANGED = CM_BASE + 0x15, CM_ENTER = CM_BASE + 0x1A,
                      CM_EXIT = CM_BASE + 0x1B, CM_SHOWINGCHANGED = CM_BASE + 0x21,
                      CM_RECREATEWND = CM_BASE + 0x33;
// Messages a parent reflects back to the control they concern: CN_BASE + the window message.
inline constexpr UINT CN_BASE = 0xBC00;
inline constexpr UINT CN_KEYDOWN = CN_BASE + 0x100, CN_SYSKEYDOWN = CN_BASE + 0x104, CN_DRAWITEM = CN_BASE + 0x2B, CN_NOTIFY = CN_BASE + 0x4E, CN_COMMAND = CN_BASE + 0x111,
                      CN_HSCROLL = CN_BASE + 0x114, CN_VSCROLL = CN_BASE + 0x115,
                      CN_CTLCOLOREDIT = CN_BASE + 0x133, CN_CTLCOLORBTN = CN_BASE + 0x135,
                      CN_CTLCOLORSTATIC = CN_BASE + 0x138;

// ---- published properties ----
enum class TypeKind { kInteger, kEnumeration, kBoolean, kString, kClass };
using PropValue = std::variant<std::int64_t, bool, std::string, TObject*>;
struct PropInfo {
  std::string name;
  TypeKind kind = TypeKind::kInteger;
  std::vector<std::string> identifiers;  // enumeration values in order
  std::function<PropValue()> get;
  std::function<void(const PropValue&)> set;  // empty: read-only
};

enum class TOperation { opInsert, opRemove };

class TComponent : public TObject {
public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;
  std::string ClassName() const override { return "TComponent"; }

  TComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  // Names are unique among an owner's components (compared without ASCII case); a clash throws.
  void SetName(std::string_view name);
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const;
  TComponent* FindComponent(std::string_view name) const;
  // `c` hears (Notification with opRemove) when this component is freed. Ownership implies it.
  void FreeNotification(TComponent* c);
  void RemoveFreeNotification(TComponent* c);
  std::intptr_t Tag = 0;

  // The published properties, in declaration order.
  const std::vector<PropInfo>& Properties() const { return props_; }
  const PropInfo* FindProperty(std::string_view name) const;  // ASCII case-insensitive
  // Binds an event by its published name ("OnClick", "OnTimer", ...): the stand-in for a form's
  // event links. Answers false when the component has no such event.
  virtual bool SetEvent(std::string_view name, std::function<void(TObject*)> handler);

  // Data a component stores besides its published properties (a skin package, say): the bytes its
  // writer produced, handed back to its reader when a form is read.
  struct BinaryProperty {
    std::string name;
    std::function<void(std::span<const std::uint8_t>)> read;
    std::function<std::vector<std::uint8_t>()> write;
  };
  const std::vector<BinaryProperty>& BinaryProperties() const { return binary_props_; }
  const BinaryProperty* FindBinaryProperty(std::string_view name) const;  // ASCII case-insensitive

  // While a form is read, its components are loading: setters that would act on other objects only
  // store their value. Once every component is read, each hears Loaded (which ends the state).
  bool Loading() const { return loading_; }
  void BeginLoading() { loading_ = true; }
  virtual void Loaded() { loading_ = false; }

protected:
  virtual void Notification(TComponent* c, TOperation op);
  // Frees the owned components, last first (derived destructors call it while they are whole).
  void DestroyComponents();
  void Publish(PropInfo info);
  void PublishInt(std::string name, std::function<std::int64_t()> get, std::function<void(std::int64_t)> set);
  void PublishBool(std::string name, std::function<bool()> get, std::function<void(bool)> set);
  void PublishString(std::string name, std::function<std::string()> get, std::function<void(std::string)> set);
  void PublishObject(std::string name, std::function<TObject*()> get);
  void PublishEnum(std::string name, std::vector<std::string> ids, std::function<int()> get,
                   std::function<void(int)> set);
  void DefineBinaryProperty(std::string name, std::function<void(std::span<const std::uint8_t>)> read,
                            std::function<std::vector<std::uint8_t>()> write);

private:
  void insert(TComponent* c);
  void remove(TComponent* c);

  TComponent* owner_ = nullptr;
  std::string name_;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> notified_;  // both directions, as free notification is mutual
  std::vector<PropInfo> props_;
  std::vector<BinaryProperty> binary_props_;
  bool destroying_ = false;
  bool loading_ = false;
};

// Property access by name: the answers are those callers that serve any control rely on.
bool IsPublishedProp(const TComponent* c, std::string_view name);
std::optional<TypeKind> PropKind(const TComponent* c, std::string_view name);
// An integer-kind property; -1 when `c` is null or the property is absent or of another kind.
std::int64_t GetIntProp(const TComponent* c, std::string_view name);
// An enumeration's identifier ("True"/"False" for Booleans); empty when absent.
std::string GetEnumPropText(const TComponent* c, std::string_view name);
// A string property; empty when absent.
std::string GetStrProp(const TComponent* c, std::string_view name);
// The object of an object-kind property; null when absent.
TObject* GetObjectProp(const TComponent* c, std::string_view name);
// Integer: the text as a number; enumeration or Boolean: the value whose identifier it is (any case);
// string: the text. Answers whether a value was set.
bool SetPropText(TComponent* c, std::string_view name, std::string_view text);
bool SetIntProp(TComponent* c, std::string_view name, std::int64_t value);

// ---- string lists ----
class TStrings : public TObject {
public:
  std::string ClassName() const override { return "TStrings"; }
  virtual int Count() const = 0;
  virtual std::string Get(int index) const = 0;
  virtual void Put(int index, std::string_view s) = 0;
  virtual void Insert(int index, std::string_view s) = 0;
  virtual void Delete(int index) = 0;
  virtual void Clear() = 0;
  virtual TObject* Objects(int index) const;
  virtual void PutObject(int index, TObject* o);

  virtual int Add(std::string_view s);
  int AddObject(std::string_view s, TObject* o);
  void Assign(const TStrings& other);
  // Replaces the lines with those of the text (CR LF, LF or CR separated).
  void SetText(std::string_view text);
  std::string Text() const;  // each line followed by CR LF
  virtual int IndexOf(std::string_view s) const;  // ASCII case-insensitive
  std::string operator[](int index) const { return Get(index); }
  void BeginUpdate() { ++update_count_; }
  void EndUpdate();
  // Fires after each change once no update is pending.
  TNotifyEvent OnChange;

protected:
  void Changed();
  int update_count_ = 0;
  bool changed_while_updating_ = false;
};

class TStringList;
// Answers < 0, 0 or > 0 like a comparison of the items at the two indexes.
using TStringListSortCompare = std::function<int(TStringList& list, int a, int b)>;

class TStringList : public TStrings {
public:
  std::string ClassName() const override { return "TStringList"; }
  int Count() const override { return static_cast<int>(items_.size()); }
  std::string Get(int index) const override;
  void Put(int index, std::string_view s) override;
  void Insert(int index, std::string_view s) override;
  void Delete(int index) override;
  void Clear() override;
  TObject* Objects(int index) const override;
  void PutObject(int index, TObject* o) override;
  int Add(std::string_view s) override;
  int IndexOf(std::string_view s) const override;
  void Exchange(int a, int b);
  // Sorted lists keep their order on Add (binary search) and ignore duplicates per `Duplicates`.
  bool Sorted() const { return sorted_; }
  void SetSorted(bool sorted);
  enum class TDuplicates { dupIgnore, dupAccept, dupError };
  TDuplicates Duplicates = TDuplicates::dupAccept;
  bool CaseSensitive = false;
  void Sort();
  // A stable sort by the caller's comparison of two indexes.
  void CustomSort(const TStringListSortCompare& compare);

private:
  void check(int index) const;
  int compare(const std::string& a, const std::string& b) const;
  struct Item {
    std::string s;
    TObject* o = nullptr;
  };
  std::vector<Item> items_;
  bool sorted_ = false;
};

// The component-library error (list index out of bounds, duplicate names, invalid values).
class EComponentError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

}  // namespace platform::components
