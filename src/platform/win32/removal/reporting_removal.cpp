#include "platform/win32/removal/reporting_removal.h"

#include "platform/win32/removal/file_removal.h"
#include "platform/win32/removal/folder_removal.h"
#include "platform/win32/removal/fs_redirection.h"
#include "platform/win32/removal/helper_threads.h"

namespace brim::platform::win32 {
namespace {

class Reporting : public ReportingRemoval {
 public:
  void Folder(const std::wstring& folder_spec, Mode mode, RemovalSink& sink) override {
    FolderRemovalOptions options;
    options.force = true;  // as the window's DA
    options.sink = &sink;
    options.preview = mode == Mode::Preview;
    options.helpers = &helpers_;
    const RedirectionOff redirection;
    RemoveFolderTree(folder_spec, options);
  }
  void Files(const std::wstring& path, Mode mode, RemovalSink& sink) override {
    const RedirectionOff redirection;
    RemoveMatchingFiles(path, nullptr, &sink, mode == Mode::Preview);
  }

 private:
  HelperThreads helpers_;
};

}  // namespace

std::unique_ptr<ReportingRemoval> MakeReportingRemoval() { return std::make_unique<Reporting>(); }

}  // namespace brim::platform::win32
