#pragma once
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "base/errors.h"

namespace tabulon {

// A control array: elements addressed by a 16-bit index, loaded and unloaded
// at run time. Addressing a missing element is an error, as is loading one
// twice.
template <typename T>
class ControlArray {
 public:
  using Factory = std::function<std::unique_ptr<T>(int index)>;

  // Element design_index exists from design time and cannot be unloaded.
  ControlArray(std::string name, Factory factory, int design_index = 0)
      : name_(std::move(name)), factory_(std::move(factory)), design_index_(design_index) {}

  T& Load(int index) {
    if (elements_.count(index)) throw ControlError(name_ + ": element already loaded");
    auto element = factory_(index);
    T& ref = *element;
    elements_.emplace(index, std::move(element));
    return ref;
  }

  void Unload(int index) {
    if (index == design_index_) throw ControlError(name_ + ": cannot unload a design element");
    auto it = elements_.find(index);
    if (it == elements_.end()) throw ControlError(name_ + ": no such element");
    // Take the element out before it is destroyed, so that anything its
    // destruction sets off already sees the array without it.
    auto element = std::move(it->second);
    elements_.erase(it);
  }

  T& operator()(int index) const {
    auto it = elements_.find(index);
    if (it == elements_.end()) throw ControlError(name_ + ": no such element");
    return *it->second;
  }

  bool Exists(int index) const { return elements_.count(index) != 0; }
  int Count() const { return static_cast<int>(elements_.size()); }

  template <typename F>
  void ForEach(F&& f) const {
    for (const auto& [index, element] : elements_) f(index, *element);
  }

 private:
  std::string name_;
  Factory factory_;
  int design_index_;
  std::map<int, std::unique_ptr<T>> elements_;
};

}  // namespace tabulon
