#pragma once
// The instance rules of the forms runtime, kept apart from any window system
// so that the Win32 runtime and the host tests' fake share them: one instance
// per registered window class, made at its first reference, kept in the
// order of creation until the final release.

#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/failure.h"
#include "platform/forms.h"

namespace brim::platform {

template <typename Instance>
class FormInstances {
 public:
  void Register(const FormClass& cls) { classes_.push_back(cls); }

  // The oldest instance that `match` accepts, or null.
  template <typename Match>
  [[nodiscard]] Instance* FindIf(Match&& match) const {
    for (const auto& f : instances_) {
      if (match(static_cast<const Instance&>(*f))) {
        return f.get();
      }
    }
    return nullptr;
  }

  [[nodiscard]] Instance* Find(std::wstring_view name) const {
    return FindIf([name](const Instance& f) { return f.Name() == name; });
  }

  // The instance of class `name`, made by `make(cls)` when there is none yet.
  template <typename Make>
  Instance& Obtain(std::wstring_view name, Make&& make) {
    if (Instance* f = Find(name)) {
      return *f;
    }
    for (const FormClass& cls : classes_) {
      if (cls.design->name == name) {
        instances_.push_back(std::forward<Make>(make)(cls));
        return *instances_.back();
      }
    }
    throw Failure("No such window class");
  }

  [[nodiscard]] bool AnyLoaded() const {
    return FindIf([](const Instance& f) { return f.Loaded(); }) != nullptr;
  }

  // Visits the instances there now, oldest first. `visit` may reach or make
  // instances by name: those made meanwhile are not visited, and none moves.
  template <typename Visit>
  void ForEachPresent(Visit&& visit) const {
    const std::size_t n = instances_.size();
    for (std::size_t i = 0; i < n; ++i) {
      visit(*instances_[i]);
    }
  }

  void Clear() { instances_.clear(); }

 private:
  std::vector<FormClass> classes_;
  std::vector<std::unique_ptr<Instance>> instances_;
};

}  // namespace brim::platform
