#include "platform/win32/removal/factories.h"
#include "platform/win32/removal/file_removal.h"
#include "platform/win32/removal/folder_removal.h"
#include "platform/win32/removal/fs_redirection.h"
#include "platform/win32/removal/helper_threads.h"

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

class FolderRemover : public FileSystemObject {
 public:
  FolderRemover(Breather* breather, AnchorCache* anchors, HelperThreads* helpers) {
    options_.breather = breather;
    options_.anchors = anchors;
    options_.helpers = helpers;
  }
  void DeleteFolder(const std::wstring& folder_spec, bool force) override {
    FolderRemovalOptions options = options_;
    options.force = force;
    RedirectionOff redirection;
    RedirectedBreather breather(options_.breather, redirection);
    if (options.breather != nullptr) {
      options.breather = &breather;
    }
    RemoveFolderTree(folder_spec, options);
  }

 private:
  FolderRemovalOptions options_;
};

class FolderRemoverFactory : public FileSystemObjectFactory {
 public:
  FolderRemoverFactory(Breather* breather, AnchorCache* anchors) : breather_(breather), anchors_(anchors) {}
  std::unique_ptr<FileSystemObject> Create() override {
    return std::make_unique<FolderRemover>(breather_, anchors_, &helpers_);
  }

 private:
  Breather* breather_;
  AnchorCache* anchors_;
  HelperThreads helpers_;  // kept for every removal this factory makes
};

class FileRemover : public FileRemoval {
 public:
  FileRemover(Breather* breather, AnchorCache* anchors) : breather_(breather), anchors_(anchors) {}
  void Kill(const std::wstring& path) override {
    RedirectionOff redirection;
    RedirectedBreather breather(breather_, redirection);
    RemoveMatchingFiles(path, breather_ != nullptr ? &breather : nullptr, nullptr, false, anchors_);
  }

 private:
  Breather* breather_;
  AnchorCache* anchors_;
};

}  // namespace

std::unique_ptr<FileSystemObjectFactory> MakeFileSystemObjectFactory(Breather* breather,
                                                                     AnchorCache* anchors) {
  return std::make_unique<FolderRemoverFactory>(breather, anchors);
}
std::unique_ptr<FileRemoval> MakeFileRemoval(Breather* breather, AnchorCache* anchors) {
  return std::make_unique<FileRemover>(breather, anchors);
}

}  // namespace brim::platform::win32
