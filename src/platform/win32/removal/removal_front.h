#pragma once
// The one way in to the removal: the window, the console companion, and
// every test and tool that removes build it here, so that what is tested is
// what ships. The front owns what a program keeps across removals (the
// helper threads, the run's resolved drive and profile) and turns
// file-system redirection off around each removal (see fs_redirection.h).

#include <memory>
#include <string>

#include "platform/controls.h"
#include "platform/removal.h"
#include "platform/removal_report.h"
#include "platform/win32/removal/anchor_cache.h"
#include "platform/win32/removal/helper_threads.h"
#include "platform/win32/removal/removal_options.h"

namespace brim::platform::win32 {

class RemovalFront {
 public:
  // `breather` (may be null) is called now and then during a long removal,
  // with the system's own view of system32. `hooks`: tests only.
  explicit RemovalFront(Breather* breather = nullptr, RemovalHooks hooks = {});
  RemovalFront(const RemovalFront&) = delete;
  RemovalFront& operator=(const RemovalFront&) = delete;
  ~RemovalFront();

  // The window's two services and the console companion's reporting removal.
  FileSystemObjectFactory& Folders() { return *folders_; }
  FileRemoval& Files() { return *files_; }
  ReportingRemoval& Reporting() { return *reporting_; }

  // The end of a run: its rows shared the resolved drive and profile; the
  // next run's resolve them afresh (see anchor_cache.h).
  void EndRun() { anchors_.Forget(); }

  // One removal with this front's breather, anchors, helpers and hooks.
  enum class Kind { Folder, Files };
  void Remove(Kind kind, const std::wstring& path, bool force, RemovalSink* sink, Mode mode);

 private:
  Breather* breather_;
  RemovalHooks hooks_;
  AnchorCache anchors_;
  HelperThreads helpers_;  // made on first need, kept for every removal after
  std::unique_ptr<FileSystemObjectFactory> folders_;
  std::unique_ptr<FileRemoval> files_;
  std::unique_ptr<ReportingRemoval> reporting_;
};

}  // namespace brim::platform::win32
