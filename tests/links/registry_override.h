#pragma once
// Sets (or removes) one registry value for the life of the object and puts
// back exactly what was there before, so the tests leave the shared Wine
// prefix as they found it.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace brim::testing_win32 {

class RegistryOverride {
 public:
  // `value` empty names the key's default value; `data` absent removes it.
  RegistryOverride(HKEY root, std::wstring subkey, std::wstring value, std::optional<std::wstring> data)
      : root_(root), subkey_(std::move(subkey)), value_(std::move(value)) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root_, subkey_.c_str(), 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
      DWORD size = 0;
      if (RegQueryValueExW(key, Name(), nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
        old_.emplace(size, BYTE{0});
        RegQueryValueExW(key, Name(), nullptr, &type_, old_->data(), &size);
      }
      RegCloseKey(key);
    }
    Write(data ? std::optional<std::vector<BYTE>>(Bytes(*data)) : std::nullopt, REG_SZ);
  }
  ~RegistryOverride() { Write(old_, type_); }
  RegistryOverride(const RegistryOverride&) = delete;
  RegistryOverride& operator=(const RegistryOverride&) = delete;

 private:
  [[nodiscard]] const wchar_t* Name() const { return value_.empty() ? nullptr : value_.c_str(); }

  static std::vector<BYTE> Bytes(const std::wstring& text) {
    const auto* p = reinterpret_cast<const BYTE*>(text.c_str());
    return {p, p + (text.size() + 1) * sizeof(wchar_t)};
  }

  void Write(const std::optional<std::vector<BYTE>>& data, DWORD type) const {
    HKEY key = nullptr;
    if (RegCreateKeyExW(root_, subkey_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
      return;
    }
    if (data) {
      RegSetValueExW(key, Name(), 0, type, data->data(), static_cast<DWORD>(data->size()));
    } else {
      RegDeleteValueW(key, Name());
    }
    RegCloseKey(key);
  }

  HKEY root_;
  std::wstring subkey_;
  std::wstring value_;
  DWORD type_ = REG_SZ;
  std::optional<std::vector<BYTE>> old_;
};

}  // namespace brim::testing_win32
