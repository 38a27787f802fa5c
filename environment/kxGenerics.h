// environment/kxGenerics.h — TkxDictionary, a hash dictionary that keeps its
// entries in the order they were added.
//
// Keys compare exactly (a text key is case-sensitive); a caller that wants
// another rule normalises the key before every access. Entries enumerate in
// insertion order; AddOrSetValue replaces a value in place, Remove closes
// the gap, RenameKey moves the entry to the end.
//
//   TkxDictionary<UnicodeString, int32_t> d;
//   d.Add(u"a", 1);  d.Add(u"b", 2);
//   d.Add(u"a", 3);                      // raises EListError
//   d.GetValue(u"x", -1) == -1
//   d.RenameKey(u"a", u"c");             // order now b, c
#pragma once

#include <cstdint>
#include <functional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/rtl/Exceptions.h"

template <class K, class V, class Hash = std::hash<K>>
class TkxDictionary {
 public:
  using Pair = std::pair<K, V>;
  using const_iterator = typename std::vector<Pair>::const_iterator;

  TkxDictionary() = default;
  explicit TkxDictionary(int32_t Capacity) {
    if (Capacity > 0) {
      items_.reserve(static_cast<size_t>(Capacity));
      index_.reserve(static_cast<size_t>(Capacity));
    }
  }

  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  const_iterator begin() const { return items_.begin(); }
  const_iterator end() const { return items_.end(); }

  // Raises EListError "duplicate key in dictionary" when Key is present.
  void Add(const K& Key, V Value) {
    if (index_.contains(Key)) throw EListError("duplicate key in dictionary");
    index_.emplace(Key, items_.size());
    items_.emplace_back(Key, std::move(Value));
  }
  // Replaces the value of a present Key where it stands, else adds.
  void AddOrSetValue(const K& Key, V Value) {
    const auto found = index_.find(Key);
    if (found != index_.end()) {
      items_[found->second].second = std::move(Value);
    } else {
      Add(Key, std::move(Value));
    }
  }
  // Nothing happens when Key is absent.
  void Remove(const K& Key) {
    const auto found = index_.find(Key);
    if (found == index_.end()) return;
    const size_t at = found->second;
    index_.erase(found);
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(at));
    for (size_t i = at; i < items_.size(); ++i) index_[items_[i].first] = i;
  }
  void Clear() {
    items_.clear();
    index_.clear();
  }

  bool ContainsKey(const K& Key) const { return index_.contains(Key); }
  bool TryGetValue(const K& Key, V& Value) const {
    const auto found = index_.find(Key);
    if (found == index_.end()) return false;
    Value = items_[found->second].second;
    return true;
  }
  // Raises EListError "item not found" when Key is absent.
  const V& Items(const K& Key) const {
    const auto found = index_.find(Key);
    if (found == index_.end()) throw EListError("item not found");
    return items_[found->second].second;
  }
  // The value of Key, or Default when there is none.
  V GetValue(const K& Key, const V& Default) const {
    const auto found = index_.find(Key);
    return found == index_.end() ? Default : items_[found->second].second;
  }

  // Takes the entry of Key out and adds its value under NewKey, at the end.
  // An absent Key adds NewKey with an empty (value-initialised) value. When
  // NewKey is present (and is not Key itself) EListError is raised and
  // nothing changes.
  void RenameKey(const K& Key, const K& NewKey) {
    if (!(Key == NewKey) && index_.contains(NewKey)) throw EListError("duplicate key in dictionary");
    V value{};
    const auto found = index_.find(Key);
    if (found != index_.end()) {
      value = std::move(items_[found->second].second);
      Remove(Key);
    }
    Add(NewKey, std::move(value));
  }

 private:
  std::vector<Pair> items_;
  std::unordered_map<K, size_t, Hash> index_;
};
