#include "platform/win32/removal/removal_front.h"

#include <utility>

#include "platform/win32/removal/file_removal.h"
#include "platform/win32/removal/folder_removal.h"
#include "platform/win32/removal/fs_redirection.h"

namespace brim::platform::win32 {
namespace {

// Paints and sent messages between removals see the system's own view of
// system32 (see fs_redirection.h).
class RedirectedBreather : public Breather {
 public:
  RedirectedBreather(Breather* breather, RedirectionOff& redirection)
      : breather_(breather), redirection_(redirection) {}
  void Breathe() override {
    redirection_.Restore();
    breather_->Breathe();
    redirection_.Off();
  }

 private:
  Breather* breather_;
  RedirectionOff& redirection_;
};

using Kind = RemovalFront::Kind;

class FolderObject : public FileSystemObject {
 public:
  explicit FolderObject(RemovalFront& front) : front_(front) {}
  void DeleteFolder(const std::wstring& folder_spec, bool force) override {
    front_.Remove(Kind::Folder, folder_spec, force, nullptr, Mode::Remove);
  }

 private:
  RemovalFront& front_;
};

class FolderFactory : public FileSystemObjectFactory {
 public:
  explicit FolderFactory(RemovalFront& front) : front_(front) {}
  std::unique_ptr<FileSystemObject> Create() override { return std::make_unique<FolderObject>(front_); }

 private:
  RemovalFront& front_;
};

class FileRemover : public FileRemoval {
 public:
  explicit FileRemover(RemovalFront& front) : front_(front) {}
  void Kill(const std::wstring& path) override {
    front_.Remove(Kind::Files, path, false, nullptr, Mode::Remove);
  }

 private:
  RemovalFront& front_;
};

class Reporter : public ReportingRemoval {
 public:
  explicit Reporter(RemovalFront& front) : front_(front) {}
  void Folder(const std::wstring& folder_spec, Mode mode, RemovalSink& sink) override {
    front_.Remove(Kind::Folder, folder_spec, true, &sink, mode);  // forced, as the window's DA
  }
  void Files(const std::wstring& path, Mode mode, RemovalSink& sink) override {
    front_.Remove(Kind::Files, path, false, &sink, mode);
  }

 private:
  RemovalFront& front_;
};

}  // namespace

RemovalFront::RemovalFront(Breather* breather, RemovalHooks hooks)
    : breather_(breather),
      hooks_(std::move(hooks)),
      folders_(std::make_unique<FolderFactory>(*this)),
      files_(std::make_unique<FileRemover>(*this)),
      reporting_(std::make_unique<Reporter>(*this)) {}

RemovalFront::~RemovalFront() = default;

void RemovalFront::Remove(Kind kind, const std::wstring& path, bool force, RemovalSink* sink, Mode mode) {
  RedirectionOff redirection;
  RedirectedBreather breather(breather_, redirection);
  RemovalOptions options;
  options.breather = breather_ != nullptr ? &breather : nullptr;
  options.force = force;
  options.sink = sink;
  options.preview = mode == Mode::Preview;
  options.anchors = &anchors_;
  options.helpers = &helpers_;
  options.hooks = hooks_;
  if (kind == Kind::Folder) {
    RemoveFolderTree(path, options);
  } else {
    RemoveMatchingFiles(path, options);
  }
}

}  // namespace brim::platform::win32
