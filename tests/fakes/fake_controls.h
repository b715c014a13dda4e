#pragma once
// Recording fakes of the platform interfaces, shared by the host tests.

#include <memory>
#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/failure.h"
#include "platform/progress_value.h"
#include "platform/removal.h"

namespace brim::fakes {

// Every fake appends what it was asked to one shared log, so tests can check
// the order of reads, writes and removals across controls.
using Log = std::vector<std::wstring>;

class FakeControl : public platform::Control {
 public:
  FakeControl(Log& log, std::wstring name) : log_(log), name_(std::move(name)) {}
  [[nodiscard]] bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override {
    log_.push_back(name_ + (enabled ? L".enable" : L".disable"));
    if (fail_) {
      throw platform::Failure("control failed");
    }
    enabled_ = enabled;
  }
  void FailNext(bool fail) { fail_ = fail; }

 protected:
  Log& log_;
  std::wstring name_;
  bool enabled_ = true;
  bool fail_ = false;
};

class FakeTextBox : public platform::TextBox {
 public:
  FakeTextBox(Log& log, std::wstring name, std::wstring text)
      : log_(log), name_(std::move(name)), text_(std::move(text)) {}
  [[nodiscard]] bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override {
    log_.push_back(name_ + (enabled ? L".enable" : L".disable"));
    enabled_ = enabled;
  }
  [[nodiscard]] std::wstring Text() const override {
    log_.push_back(name_ + L".read");
    return text_;
  }
  void SetText(std::wstring_view text) override { text_ = text; }

 private:
  Log& log_;
  std::wstring name_;
  std::wstring text_;
  bool enabled_ = true;
};

class FakeProgressBar : public platform::ProgressBar {
 public:
  explicit FakeProgressBar(Log& log) : log_(log) {}
  [[nodiscard]] float Value() const override { return value_.Get(); }
  void SetValue(float v) override {
    log_.push_back(L"bar=" + std::to_wstring(static_cast<int>(v)));
    value_.Set(v);
  }
  platform::ProgressValue& Model() { return value_; }

 private:
  Log& log_;
  platform::ProgressValue value_{0.0F, 186.0F};
};

struct ShownBox {
  std::wstring prompt;
  unsigned flags;
};

class FakeMessageBox : public platform::MsgBox {
 public:
  explicit FakeMessageBox(Log& log) : log_(log) {}
  int Show(std::wstring_view prompt, unsigned flags) override {
    log_.push_back(L"box:" + std::wstring(prompt));
    shown.push_back({std::wstring(prompt), flags});
    return 1;
  }
  std::vector<ShownBox> shown;

 private:
  Log& log_;
};

class FakeFileRemoval : public platform::FileRemoval {
 public:
  explicit FakeFileRemoval(Log& log) : log_(log) {}
  void Kill(const std::wstring& path) override {
    log_.push_back(L"kill:" + path);
    if (fail) {
      throw platform::Failure("no file", 2);
    }
  }
  bool fail = false;

 private:
  Log& log_;
};

}  // namespace brim::fakes
