#ifndef QUORVANE_FILESYS_WIDE_STRING_LIST_H_
#define QUORVANE_FILESYS_WIDE_STRING_LIST_H_

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace qv {

// Compares names and paths the way the platform does: exactly, byte by byte,
// on POSIX (file names there are case-sensitive; merging names that differ in
// case would lose data).
inline int CompareNames(const std::string& a, const std::string& b) { return a.compare(b); }

struct TNoObject {};

// An ordered list of strings, each carrying an optional object that the list
// owns. A sorted list keeps its order on Add and finds by binary search.
template <class T = TNoObject>
class TWideStringList {
 public:
  struct Item {
    std::string text;
    std::unique_ptr<T> object;
  };

  TWideStringList() = default;
  explicit TWideStringList(bool sorted) : sorted_(sorted) {}

  int Count() const { return static_cast<int>(items_.size()); }
  bool Empty() const { return items_.empty(); }
  const std::string& Text(int i) const { return items_[i].text; }
  T* Object(int i) const { return items_[i].object.get(); }
  const Item& operator[](int i) const { return items_[i]; }
  void Reserve(int n) { items_.reserve(n); }

  // Appends, or inserts at its sorted place in a sorted list; answers the index.
  int Add(std::string text, std::unique_ptr<T> object = nullptr) {
    int at = Count();
    if (sorted_) at = LowerBound(text);
    items_.insert(items_.begin() + at, Item{std::move(text), std::move(object)});
    return at;
  }
  // Index of the first entry equal to text, or -1.
  int Find(const std::string& text) const {
    if (sorted_) {
      const int at = LowerBound(text);
      return at < Count() && CompareNames(items_[at].text, text) == 0 ? at : -1;
    }
    for (int i = 0; i < Count(); ++i) {
      if (CompareNames(items_[i].text, text) == 0) return i;
    }
    return -1;
  }
  void Delete(int i) { items_.erase(items_.begin() + i); }
  // Removes entry i and hands its object to the caller.
  std::unique_ptr<T> Take(int i) {
    std::unique_ptr<T> object = std::move(items_[i].object);
    Delete(i);
    return object;
  }
  void Clear() { items_.clear(); }
  void Sort() {
    std::stable_sort(items_.begin(), items_.end(),
                     [](const Item& a, const Item& b) { return CompareNames(a.text, b.text) < 0; });
    sorted_ = true;
  }

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  int LowerBound(const std::string& text) const {
    auto it = std::lower_bound(
        items_.begin(), items_.end(), text,
        [](const Item& a, const std::string& b) { return CompareNames(a.text, b) < 0; });
    return static_cast<int>(it - items_.begin());
  }

  std::vector<Item> items_;
  bool sorted_ = false;
};

}  // namespace qv

#endif  // QUORVANE_FILESYS_WIDE_STRING_LIST_H_
