// Owning object lists of the workbook model, objects that know their position in such a list
// (TIndexObject, TIndexObjectList) and the integer list used as a stack.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <typeinfo>
#include <utility>
#include <vector>

#include "workbook/exceptions.h"

namespace workbook {

// The common root of the model's polymorphic objects.
class TObject {
public:
  virtual ~TObject() = default;
};

// A list that owns its items: they are freed when deleted or when the list is cleared or freed.
template <class T>
class TObjectList {
public:
  virtual ~TObjectList() = default;

  int Count() const { return static_cast<int>(items_.size()); }
  T* GetItem(int Index) const {
    Check(Index);
    return items_[static_cast<std::size_t>(Index)].get();
  }
  T* operator[](int Index) const { return GetItem(Index); }

  // Appends an item and returns it.
  T* Add(std::unique_ptr<T> Item) {
    items_.push_back(std::move(Item));
    Added(static_cast<int>(items_.size()) - 1);
    return items_.back().get();
  }
  T* Insert(int Index, std::unique_ptr<T> Item) {
    if (Index < 0 || Index > Count()) RaiseListIndexError(Index);
    items_.insert(items_.begin() + Index, std::move(Item));
    Removed();
    return items_[static_cast<std::size_t>(Index)].get();
  }
  void Delete(int Index) {
    Check(Index);
    std::unique_ptr<T> gone = std::move(items_[static_cast<std::size_t>(Index)]);
    items_.erase(items_.begin() + Index);
    Removed();
  }
  // Takes an item out of the list without freeing it.
  std::unique_ptr<T> Extract(int Index) {
    Check(Index);
    std::unique_ptr<T> out = std::move(items_[static_cast<std::size_t>(Index)]);
    items_.erase(items_.begin() + Index);
    Removed();
    return out;
  }
  int IndexOf(const T* Item) const {
    for (std::size_t i = 0; i < items_.size(); ++i)
      if (items_[i].get() == Item) return static_cast<int>(i);
    return -1;
  }
  virtual void Clear() { items_.clear(); }

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

protected:
  // Change notices for descendants that keep state per position.
  virtual void Added(int) {}
  virtual void Removed() {}
  void Check(int Index) const {
    if (Index < 0 || Index >= Count()) RaiseListIndexError(Index);
  }
  std::vector<std::unique_ptr<T>> items_;
};

// An object that knows its position in the TIndexObjectList that owns it.
class TIndexObject : public TObject {
public:
  int Index = 0;
  // Descendants may hand out an owned object of the requested class; the base has none.
  virtual TObject* RequestObject(const std::type_info&) { return nullptr; }
};

// Keeps every item's Index equal to its position.
template <class T>
class TIndexObjectList : public TObjectList<T> {
public:
  void Reindex() {
    for (std::size_t i = 0; i < this->items_.size(); ++i) this->items_[i]->Index = static_cast<int>(i);
  }

protected:
  void Added(int Index) override { this->items_[static_cast<std::size_t>(Index)]->Index = Index; }
  void Removed() override { Reindex(); }
};

// 32-bit integers in a list, also used as a stack.
class TIntegerList {
public:
  int Add(std::int32_t Value) {
    values_.push_back(Value);
    return static_cast<int>(values_.size()) - 1;
  }
  std::int32_t GetItems(int Index) const {
    if (Index < 0 || Index >= Count()) RaiseListIndexError(Index);
    return values_[static_cast<std::size_t>(Index)];
  }
  void SetItems(int Index, std::int32_t Value) {
    if (Index < 0 || Index >= Count()) RaiseListIndexError(Index);
    values_[static_cast<std::size_t>(Index)] = Value;
  }
  // Removes and returns the last value.
  std::int32_t Pop() {
    if (values_.empty()) RaiseListIndexError(-1);
    std::int32_t v = values_.back();
    values_.pop_back();
    return v;
  }
  int Count() const { return static_cast<int>(values_.size()); }
  void Clear() { values_.clear(); }

private:
  std::vector<std::int32_t> values_;
};

}  // namespace workbook
