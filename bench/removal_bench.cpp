// Times our folder removal against the scripting runtime's
// Scripting.FileSystemObject.DeleteFolder(path, True), in one process:
//   removal_bench (ours|fso) FOLDER [(ours|fso) FOLDER ...]
// Prints one line per removal: "<who> <milliseconds> <ok|fail> peak_ws=<bytes>".
// Never hand it a tree that holds links: the scripting runtime follows them.
#include <windows.h>
// After windows.h, which they need.
#include <oleauto.h>

#include <array>
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/failure.h"
#include "platform/win32/removal/removal_front.h"
#include "process_memory.h"

namespace {

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() {
    if (p_ != nullptr) {
      p_->Release();
    }
  }
  T* operator->() const { return p_; }
  void** Receive() { return reinterpret_cast<void**>(&p_); }
  [[nodiscard]] bool Valid() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

class Bstr {
 public:
  explicit Bstr(const std::wstring& s) : b_(::SysAllocStringLen(s.data(), static_cast<UINT>(s.size()))) {}
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { ::SysFreeString(b_); }
  [[nodiscard]] BSTR Get() const { return b_; }

 private:
  BSTR b_;
};

struct ComApartment {
  ComApartment() { ::CoInitialize(nullptr); }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment() { ::CoUninitialize(); }
};

bool ScriptingDeleteFolder(const std::wstring& path) {
  CLSID clsid{};
  if (FAILED(::CLSIDFromProgID(L"Scripting.FileSystemObject", &clsid))) {
    return false;
  }
  ComPtr<IDispatch> fso;
  if (FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, fso.Receive()))) {
    return false;
  }
  std::wstring method = L"DeleteFolder";
  std::array<LPOLESTR, 1> names = {method.data()};
  DISPID id = 0;
  if (FAILED(fso->GetIDsOfNames(IID_NULL, names.data(), 1, LOCALE_USER_DEFAULT, &id))) {
    return false;
  }
  Bstr folder_spec(path);
  std::array<VARIANT, 2> args{};  // in reverse order
  ::VariantInit(args.data());
  ::VariantInit(&args[1]);
  args[0].vt = VT_BOOL;
  args[0].boolVal = VARIANT_TRUE;
  args[1].vt = VT_BSTR;
  args[1].bstrVal = folder_spec.Get();
  DISPPARAMS params{args.data(), nullptr, 2, 0};
  return SUCCEEDED(
      fso->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr));
}

SIZE_T PeakWorkingSet() {
  PROCESS_MEMORY_COUNTERS counters{};
  return brim::windows::MemoryCounters(::GetCurrentProcess(), counters) ? counters.PeakWorkingSetSize : 0;
}

double Now() { return brim::windows::MicrosecondsNow() / 1000.0; }

}  // namespace

int wmain(int argc, wchar_t** argv) {
  ComApartment com;
  brim::platform::win32::RemovalFront front;  // as the window's: helper threads kept
  std::printf("start peak_ws=%lu\n", static_cast<unsigned long>(PeakWorkingSet()));
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::wstring_view who = argv[i];
    const std::wstring path = argv[i + 1];
    bool ok = true;
    const double start = Now();
    if (who == L"ours") {
      try {
        front.Folders().Create()->DeleteFolder(path, true);
        front.EndRun();
      } catch (const brim::platform::Failure&) {
        ok = false;
      }
    } else {
      ok = ScriptingDeleteFolder(path);
    }
    const double ms = Now() - start;
    std::printf("%s %.1f %s peak_ws=%lu\n", who == L"ours" ? "ours" : "fso", ms, ok ? "ok" : "fail",
                static_cast<unsigned long>(PeakWorkingSet()));
    std::fflush(stdout);
  }
  return 0;
}
