#pragma once
// A recording forms runtime for host tests of the window handlers, with the
// same instance, load, unload, terminate and end rules as the real one.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fakes/fake_controls.h"
#include "platform/failure.h"
#include "platform/form_instances.h"
#include "platform/forms.h"

namespace brim::fakes {

class FakeBrowser : public platform::WebBrowser {
 public:
  explicit FakeBrowser(Log& log) : log_(log) {}
  void Navigate(std::wstring_view url) override { log_.push_back(L"navigate:" + std::wstring(url)); }

 private:
  Log& log_;
};

class FakeForm : public platform::Form {
 public:
  FakeForm(Log& log, const platform::FormClass& cls)
      : log_(log), design_(*cls.design), name_(cls.design->name) {
    events_ = cls.make_events(*this);
  }

  [[nodiscard]] const std::wstring& Name() const { return name_; }
  platform::FormEvents& Events() { return *events_; }

  [[nodiscard]] bool Enabled() const override { return !loaded_ || enabled_; }
  void SetEnabled(bool enabled) override {
    if (loaded_) {
      log_.push_back(name_ + (enabled ? L".enable" : L".disable"));
      enabled_ = enabled;
    }
  }
  [[nodiscard]] platform::NativeWindow hWnd() const override {
    if (!loaded_) {
      throw platform::Failure("window not loaded");
    }
    return 0x1000;
  }
  [[nodiscard]] bool Loaded() const override { return loaded_; }
  void Load() override {
    if (loaded_) {
      return;
    }
    log_.push_back(name_ + L".load");
    loaded_ = true;
    enabled_ = true;
    for (const auto& c : design_.controls) {
      const std::wstring n(c.name);
      switch (c.kind) {
        case platform::Kind::TextBox:
          texts_[n] = std::make_unique<FakeTextBox>(log_, n, std::wstring(c.caption));
          break;
        case platform::Kind::CommandButton:
          buttons_[n] = std::make_unique<FakeControl>(log_, n);
          break;
        case platform::Kind::ProgressBar:
          bars_[n] = std::make_unique<FakeProgressBar>(log_);
          break;
        case platform::Kind::WebBrowser:
          browsers_[n] = std::make_unique<FakeBrowser>(log_);
          break;
        case platform::Kind::Label:
          break;
      }
    }
    events_->Form_Load();
  }
  void Show() override {
    Load();
    log_.push_back(name_ + L".show");
  }
  void Unload() override {
    if (!loaded_ || unloading_) {
      return;
    }
    unloading_ = true;
    log_.push_back(name_ + L".unload");
    events_->Form_Unload();
    unloading_ = false;
    loaded_ = false;
    log_.push_back(name_ + L".closed");
    texts_.clear();
    buttons_.clear();
    bars_.clear();
    browsers_.clear();
  }
  template <typename M>
  auto& Find(M& map, std::wstring_view name) {
    auto it = map.find(std::wstring(name));
    if (it == map.end()) {
      throw platform::Failure("no such control");
    }
    return *it->second;
  }
  platform::TextBox& TextBoxNamed(std::wstring_view name) override { return Find(texts_, name); }
  platform::Control& ControlNamed(std::wstring_view name) override {
    if (auto it = buttons_.find(std::wstring(name)); it != buttons_.end()) {
      return *it->second;
    }
    return Find(texts_, name);
  }
  platform::ProgressBar& ProgressBarNamed(std::wstring_view name) override { return Find(bars_, name); }
  platform::WebBrowser& WebBrowserNamed(std::wstring_view name) override { return Find(browsers_, name); }

 private:
  Log& log_;
  const platform::FormDesign& design_;
  std::wstring name_;
  std::unique_ptr<platform::FormEvents> events_;
  bool loaded_ = false;
  bool unloading_ = false;
  bool enabled_ = true;
  std::map<std::wstring, std::unique_ptr<FakeTextBox>> texts_;
  std::map<std::wstring, std::unique_ptr<FakeControl>> buttons_;
  std::map<std::wstring, std::unique_ptr<FakeProgressBar>> bars_;
  std::map<std::wstring, std::unique_ptr<FakeBrowser>> browsers_;
};

class FakeForms : public platform::Forms {
 public:
  void Register(const platform::FormClass& cls) { instances_.Register(cls); }

  platform::Form& Instance(std::wstring_view name) override {
    return instances_.Obtain(name, [this, name](const platform::FormClass& cls) {
      log.push_back(std::wstring(name) + L".create");
      return std::make_unique<FakeForm>(log, cls);
    });
  }
  platform::Form* Existing(std::wstring_view name) override { return Find(name); }
  void End() override {
    log.push_back(L"end");
    ended = true;
  }
  platform::MsgBox& Box() override { return box; }

  // The final release of every instance there now, oldest first; after End, silent.
  void Release() {
    if (!ended) {
      instances_.ForEachPresent([this](FakeForm& f) {
        log.push_back(f.Name() + L".terminate");
        f.Events().Form_Terminate();
      });
    }
    instances_.Clear();
  }

  [[nodiscard]] bool AnyLoaded() const { return instances_.AnyLoaded(); }

  FakeForm* Find(std::wstring_view name) { return instances_.Find(name); }

  Log log;
  FakeMessageBox box{log};
  bool ended = false;

 private:
  platform::FormInstances<FakeForm> instances_;
};

}  // namespace brim::fakes
