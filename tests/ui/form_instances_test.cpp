// The instance rules that the Win32 runtime and the host fake share.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/failure.h"
#include "platform/form_instances.h"

namespace brim::testing {
namespace {

struct Made {
  std::wstring name;
  bool loaded = false;
  [[nodiscard]] const std::wstring& Name() const { return name; }
  [[nodiscard]] bool Loaded() const { return loaded; }
};

const platform::FormDesign kMain{L"S", L"Main", 100, 100, true, platform::StartUp::CenterScreen, {}};
const platform::FormDesign kAbout{L"Ab", L"About", 100, 100, false, platform::StartUp::CenterScreen, {}};

struct Registry {
  platform::FormInstances<Made> instances;
  int made = 0;
  Registry() {
    instances.Register({&kMain, nullptr});
    instances.Register({&kAbout, nullptr});
  }
  Made& Get(std::wstring_view name) {
    return instances.Obtain(name, [this](const platform::FormClass& cls) {
      ++made;
      return std::make_unique<Made>(Made{std::wstring(cls.design->name)});
    });
  }
};

TEST(FormInstances, OneInstancePerClassMadeAtFirstReferenceUnknownClassesFail) {
  Registry r;
  EXPECT_EQ(r.instances.Find(L"S"), nullptr);
  Made& first = r.Get(L"S");
  EXPECT_EQ(&r.Get(L"S"), &first);
  EXPECT_EQ(r.instances.Find(L"S"), &first);
  EXPECT_EQ(r.made, 1);
  EXPECT_THROW(r.Get(L"s"), platform::Failure);  // class names are exact
  EXPECT_THROW(r.Get(L"Nothing"), platform::Failure);
  EXPECT_EQ(r.made, 1);
  EXPECT_FALSE(r.instances.AnyLoaded());
  first.loaded = true;
  EXPECT_TRUE(r.instances.AnyLoaded());
}

TEST(FormInstances, AReleaseVisitsOnlyThoseThereNowEvenWhenAVisitMakesMore) {
  Registry r;
  Made& main = r.Get(L"S");
  std::vector<std::wstring> visited;
  // A terminate handler that references About makes it: it must not be
  // visited, and the instance being visited must stay where it is.
  r.instances.ForEachPresent([&](Made& f) {
    visited.push_back(f.Name());
    r.Get(L"Ab");
    EXPECT_EQ(&f, &main);
  });
  EXPECT_EQ(visited, std::vector<std::wstring>{L"S"});
  EXPECT_NE(r.instances.Find(L"Ab"), nullptr);
  r.instances.Clear();
  EXPECT_EQ(r.instances.Find(L"S"), nullptr);
  Made& fresh = r.Get(L"Ab");  // a fresh one after the release
  EXPECT_EQ(r.instances.Find(L"Ab"), &fresh);
  EXPECT_EQ(r.made, 3);
}

}  // namespace
}  // namespace brim::testing
