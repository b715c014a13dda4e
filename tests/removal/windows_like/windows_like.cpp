#include "removal/windows_like/windows_like.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <cwctype>
#include <memory>

namespace brim::testing::windows_like {
namespace {

Layer* g_current = nullptr;

const nt::Api& System() { return brim::platform::win32::nt::SystemNtdll(); }

std::wstring Normal(std::wstring_view path) {
  std::wstring out(path);
  std::ranges::replace(out, L'/', L'\\');
  if (out.empty() || out.front() != L'\\') {
    out.insert(out.begin(), L'\\');
  }
  while (out.size() > 1 && out.back() == L'\\') {
    out.pop_back();
  }
  return out;
}

// "T:\a\b" -> "\a\b"; a name without a drive letter names nothing here.
std::wstring_view BelowDrive(std::wstring_view name) {
  if (name.size() < 2 || name[1] != L':') {
    return {};
  }
  name.remove_prefix(2);
  return name.empty() ? std::wstring_view(L"\\") : name;
}

bool Same(std::wstring_view a, std::wstring_view b) {
  return std::ranges::equal(a, b, [](wchar_t x, wchar_t y) { return ::towupper(x) == ::towupper(y); });
}

bool AtOrBelow(std::wstring_view name, std::wstring_view top) {
  return Same(name, top) ||
         (name.size() > top.size() && name[top.size()] == L'\\' && Same(name.substr(0, top.size()), top));
}

bool Names(std::wstring_view name, const std::wstring& configured) {
  return Same(BelowDrive(name), configured);
}

bool OnVolume(std::wstring_view name, const std::wstring& letters) {
  return name.size() >= 2 && name[1] == L':' &&
         letters.find(static_cast<wchar_t>(::towupper(name[0]))) != std::wstring::npos;
}

constexpr ACCESS_MASK kWritesAttributes =
    FILE_WRITE_ATTRIBUTES | GENERIC_WRITE | GENERIC_ALL | MAXIMUM_ALLOWED;
constexpr ACCESS_MASK kOnlyAttributes = FILE_READ_ATTRIBUTES | SYNCHRONIZE;

// Opens `name` (drive letter first) through the system itself.
nt::Status OpenByName(const std::wstring& name, ACCESS_MASK access, HANDLE* out) {
  std::wstring full = L"\\??\\" + name;
  UNICODE_STRING u{static_cast<USHORT>(full.size() * sizeof(wchar_t)),
                   static_cast<USHORT>(full.size() * sizeof(wchar_t)), full.data()};
  OBJECT_ATTRIBUTES oa{};
  oa.Length = sizeof oa;
  oa.ObjectName = &u;
  oa.Attributes = nt::kObjCaseInsensitive;
  IO_STATUS_BLOCK io{};
  return System().OpenFile(out, access | SYNCHRONIZE, &oa, &io,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nt::kFileSynchronousIoNonalert | nt::kFileOpenForBackupIntent);
}

nt::Status PlainDispose(HANDLE h, IO_STATUS_BLOCK* io) {
  nt::FileDispositionInformation d{TRUE};
  return System().SetInformationFile(h, io, &d, sizeof d, nt::kFileDispositionInformation);
}

}  // namespace

bool Parse(std::wstring_view text, Config& out) {
  while (!text.empty()) {
    const std::size_t bar = text.find(L'|');
    const std::wstring_view item = text.substr(0, bar);
    text = bar == std::wstring_view::npos ? std::wstring_view() : text.substr(bar + 1);
    const std::size_t eq = item.find(L'=');
    if (eq == std::wstring_view::npos) {
      return false;
    }
    const std::wstring_view key = item.substr(0, eq);
    const std::wstring_view value = item.substr(eq + 1);
    const std::size_t star = value.rfind(L'*');
    const auto counted = [&](std::vector<Counted>& into) {
      if (star == std::wstring_view::npos) {
        return false;
      }
      into.push_back(Counted{Normal(value.substr(0, star)),
                             std::wcstol(std::wstring(value.substr(star + 1)).c_str(), nullptr, 10)});
      return into.back().count > 0;
    };
    std::wstring letters(value);
    std::ranges::transform(letters, letters.begin(),
                           [](wchar_t c) { return static_cast<wchar_t>(::towupper(c)); });
    if (key == L"junction") {
      out.junctions.push_back(Normal(value));
    } else if (key == L"deny-write-attributes") {
      out.write_attributes_withheld.push_back(Normal(value));
    } else if (key == L"busy") {
      if (!counted(out.busy)) {
        return false;
      }
    } else if (key == L"held") {
      if (!counted(out.held)) {
        return false;
      }
    } else if (key == L"no-posix") {
      out.no_disposition_ex += letters;
    } else if (key == L"no-ignore-read-only") {
      out.no_ignore_read_only += letters;
    } else {
      return false;
    }
  }
  return true;
}

Layer::Layer(Config config) : config_(std::move(config)), busy_left_(config_.busy) {
  for (auto* list : {&config_.junctions, &config_.write_attributes_withheld}) {
    for (std::wstring& p : *list) {
      p = Normal(p);
    }
  }
  for (auto* list : {&config_.held, &busy_left_}) {
    for (Counted& c : *list) {
      c.path = Normal(c.path);
    }
  }
  const nt::Api& system = System();
  table_ = nt::Api{&Layer::OpenFile,           &Layer::QueryDirectoryFile, &Layer::QueryInformationFile,
                   &Layer::SetInformationFile, &Layer::QueryObject,        system.StatusToDosError,
                   system.EqualUnicodeString};
  g_current = this;
  brim::platform::win32::nt::SetNtdllLayer(&table_);
}

Layer::~Layer() {
  brim::platform::win32::nt::SetNtdllLayer(nullptr);
  g_current = nullptr;
}

Layer* Layer::Current() { return g_current; }

std::vector<Open> Layer::Opens() const {
  const std::scoped_lock lock(mutex_);
  return opens_;
}

int Layer::PendingNow() const {
  const std::scoped_lock lock(mutex_);
  return static_cast<int>(pending_.size());
}

std::wstring Layer::NameOf(HANDLE h) const {
  std::vector<ULONGLONG> buffer(8192);
  ULONG returned = 0;
  if (nt::Failed(System().QueryObject(h, nt::kObjectNameInformation, buffer.data(),
                                      static_cast<ULONG>(buffer.size() * sizeof(ULONGLONG)), &returned))) {
    return {};
  }
  const auto* u = reinterpret_cast<const UNICODE_STRING*>(buffer.data());
  std::wstring resolved(u->Buffer, u->Length / sizeof(wchar_t));
  if (resolved.starts_with(L"\\??\\")) {
    resolved.erase(0, 4);
  }
  // A handle opened here is named as it was asked for (through a link, the
  // link's name), while the system still names it as then.
  const auto it = asked_.find(h);
  return it != asked_.end() && it->second.second == resolved ? it->second.first : resolved;
}

void Layer::Tick() {
  for (auto it = pending_.begin(); it != pending_.end();) {
    if (--it->calls_left > 0) {
      ++it;
      continue;
    }
    // The other process closed its handle: the delete happens now.
    HANDLE h = nullptr;
    if (!nt::Failed(OpenByName(it->path, DELETE, &h))) {
      IO_STATUS_BLOCK io{};
      PlainDispose(h, &io);
      ::CloseHandle(h);
    }
    it = pending_.erase(it);
  }
}

nt::Status Layer::OpenAsked(HANDLE* out, ACCESS_MASK access, OBJECT_ATTRIBUTES* oa, IO_STATUS_BLOCK* io,
                            ULONG share, ULONG options) {
  std::wstring name;
  const std::wstring_view asked =
      oa->ObjectName != nullptr
          ? std::wstring_view(oa->ObjectName->Buffer, oa->ObjectName->Length / sizeof(wchar_t))
          : std::wstring_view();
  if (oa->RootDirectory != nullptr) {
    name = NameOf(oa->RootDirectory);
    if (!asked.empty()) {
      name += L'\\';
      name += asked;
    }
  } else {
    name = asked.starts_with(L"\\??\\") ? asked.substr(4) : asked;
  }
  opens_.push_back(Open{name, access});
  const std::wstring_view below = BelowDrive(name);
  if ((access & FILE_LIST_DIRECTORY) != 0 &&
      std::ranges::any_of(config_.junctions, [&](const std::wstring& j) { return Same(below, j); })) {
    return kAccessDenied;
  }
  if ((access & kWritesAttributes) != 0 &&
      std::ranges::any_of(config_.write_attributes_withheld,
                          [&](const std::wstring& w) { return AtOrBelow(below, w); })) {
    return kAccessDenied;
  }
  if (std::ranges::any_of(pending_, [&](const Pending& p) { return Same(p.path, name); })) {
    return kDeletePending;
  }
  if ((access & ~kOnlyAttributes) != 0) {
    for (Counted& b : busy_left_) {
      if (b.count > 0 && Same(below, b.path)) {
        --b.count;
        return kSharingViolation;
      }
    }
  }
  const nt::Status s = System().OpenFile(out, access, oa, io, share, options);
  if (!nt::Failed(s)) {
    asked_[*out] = {name, std::wstring()};
    asked_[*out].second = NameOf(*out);  // as the system names it
  }
  return s;
}

nt::Status Layer::Dispose(HANDLE h, IO_STATUS_BLOCK* io, ULONG flags) {
  const std::wstring name = NameOf(h);
  nt::FileBasicInformation basic{};
  const nt::Status q = System().QueryInformationFile(h, io, &basic, sizeof basic, nt::kFileBasicInformation);
  if (nt::Failed(q)) {
    return q;
  }
  if ((basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
      std::ranges::any_of(pending_, [&](const Pending& p) { return AtOrBelow(p.path, name); })) {
    return kDirectoryNotEmpty;
  }
  if ((basic.FileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
    if ((flags & nt::kDispositionIgnoreReadOnly) == 0) {
      return nt::kCannotDelete;
    }
    // The system ignores it; under Wine it has to go first, through a handle of our own.
    HANDLE w = nullptr;
    nt::Status s = OpenByName(name, FILE_WRITE_ATTRIBUTES, &w);
    if (nt::Failed(s)) {
      return s;
    }
    nt::FileBasicInformation cleared{};
    cleared.FileAttributes = basic.FileAttributes & ~static_cast<ULONG>(FILE_ATTRIBUTE_READONLY);
    if (cleared.FileAttributes == 0) {
      cleared.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    }
    s = System().SetInformationFile(w, io, &cleared, sizeof cleared, nt::kFileBasicInformation);
    ::CloseHandle(w);
    if (nt::Failed(s)) {
      return s;
    }
  }
  const auto held = std::ranges::find_if(config_.held, [&](const Counted& c) { return Names(name, c.path); });
  if (held != config_.held.end()) {
    const int calls = held->count;
    config_.held.erase(held);
    if ((flags & kPosixSemantics) == 0) {
      pending_.push_back(Pending{name, calls});  // the name stays until the other handle closes
      io->Status = nt::kSuccess;
      io->Information = 0;
      return nt::kSuccess;
    }
  }
  return PlainDispose(h, io);
}

nt::Status NTAPI Layer::OpenFile(HANDLE* out, ACCESS_MASK access, OBJECT_ATTRIBUTES* oa, IO_STATUS_BLOCK* io,
                                 ULONG share, ULONG options) {
  Layer* l = Current();
  const std::scoped_lock lock(l->mutex_);
  l->Tick();
  return l->OpenAsked(out, access, oa, io, share, options);
}

nt::Status NTAPI Layer::QueryDirectoryFile(HANDLE h, HANDLE event, void* apc, void* context,
                                           IO_STATUS_BLOCK* io, void* buffer, ULONG length, ULONG info_class,
                                           BOOLEAN single, UNICODE_STRING* mask, BOOLEAN restart) {
  Layer* l = Current();
  {
    const std::scoped_lock lock(l->mutex_);
    l->Tick();
    const std::wstring_view below = BelowDrive(l->NameOf(h));
    if (std::ranges::any_of(l->config_.junctions, [&](const std::wstring& j) { return Same(below, j); })) {
      return kAccessDenied;
    }
  }
  return System().QueryDirectoryFile(h, event, apc, context, io, buffer, length, info_class, single, mask,
                                     restart);
}

nt::Status NTAPI Layer::QueryInformationFile(HANDLE h, IO_STATUS_BLOCK* io, void* buffer, ULONG length,
                                             ULONG info_class) {
  Layer* l = Current();
  {
    const std::scoped_lock lock(l->mutex_);
    l->Tick();
  }
  return System().QueryInformationFile(h, io, buffer, length, info_class);
}

nt::Status NTAPI Layer::SetInformationFile(HANDLE h, IO_STATUS_BLOCK* io, void* buffer, ULONG length,
                                           ULONG info_class) {
  Layer* l = Current();
  const std::scoped_lock lock(l->mutex_);
  l->Tick();
  if (info_class == nt::kFileDispositionInformation && length >= sizeof(nt::FileDispositionInformation) &&
      static_cast<const nt::FileDispositionInformation*>(buffer)->DeleteFile != FALSE) {
    return l->Dispose(h, io, nt::kDispositionDelete);
  }
  if (info_class == nt::kFileDispositionInformationEx) {
    const std::wstring name = l->NameOf(h);
    if (OnVolume(name, l->config_.no_disposition_ex)) {
      return nt::kInvalidParameter;  // as FAT32 and the systems before 1607
    }
    if (length < sizeof(nt::FileDispositionInformationEx)) {
      return nt::kInvalidParameter;
    }
    const ULONG flags = static_cast<const nt::FileDispositionInformationEx*>(buffer)->Flags;
    if ((flags & nt::kDispositionIgnoreReadOnly) != 0 && OnVolume(name, l->config_.no_ignore_read_only)) {
      return nt::kInvalidParameter;
    }
    if ((flags & nt::kDispositionDelete) == 0) {
      nt::FileDispositionInformation keep{FALSE};
      return System().SetInformationFile(h, io, &keep, sizeof keep, nt::kFileDispositionInformation);
    }
    return l->Dispose(h, io, flags);
  }
  return System().SetInformationFile(h, io, buffer, length, info_class);
}

nt::Status NTAPI Layer::QueryObject(HANDLE h, ULONG info_class, void* buffer, ULONG length, ULONG* returned) {
  Layer* l = Current();
  {
    const std::scoped_lock lock(l->mutex_);
    l->Tick();
  }
  return System().QueryObject(h, info_class, buffer, length, returned);
}

void InstallFromEnvironment() {
  const DWORD n = ::GetEnvironmentVariableW(L"BRIM_WINDOWS_LIKE", nullptr, 0);
  if (n == 0) {
    return;
  }
  std::wstring text(n, L'\0');
  text.resize(::GetEnvironmentVariableW(L"BRIM_WINDOWS_LIKE", text.data(), n));
  Config config;
  if (!Parse(text, config)) {
    std::fprintf(stderr, "BRIM_WINDOWS_LIKE: cannot read \"%ls\"\n", text.c_str());
    std::exit(2);
  }
  static std::unique_ptr<Layer> layer;  // for the life of the process
  layer = std::make_unique<Layer>(std::move(config));
}

}  // namespace brim::testing::windows_like
