#include "platform/win32/removal/helper_threads.h"

#include <atomic>

#include "platform/win32/removal/fs_redirection.h"

namespace brim::platform::win32 {
namespace {

std::atomic<std::uint64_t> g_jobs_done{0};

}  // namespace

std::uint64_t HelperJobsDone() noexcept { return g_jobs_done.load(std::memory_order_relaxed); }

Helper::~Helper() {
  if (thread_) {
    stop_ = true;
    start_.Post();
    ::WaitForSingleObject(thread_.get(), INFINITE);
  }
}

bool Helper::Start(Job job, void* context) {
  if (!thread_ && !Create()) {
    return false;
  }
  job_ = job;
  context_ = context;
  start_.Post();  // also publishes job_ and context_
  return true;
}

bool Helper::Create() {
  if (failed_) {
    return false;
  }
  if (start_.Prepare() && done_.Prepare()) {
    thread_.reset(::CreateThread(nullptr, SIZE_T{64} * 1024, &Helper::Main, this,
                                 STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
  }
  failed_ = !thread_;
  return !failed_;
}

DWORD WINAPI Helper::Main(void* self_pointer) {
  auto* self = static_cast<Helper*>(self_pointer);
  // This thread only ever removes (see fs_redirection.h).
  const RedirectionOff redirection;
  for (;;) {
    self->start_.Wait();
    if (self->stop_) {
      return 0;
    }
    self->job_(self->context_);
    g_jobs_done.fetch_add(1, std::memory_order_relaxed);
    self->done_.Post();
  }
}

HelperLease::HelperLease(HelperThreads* kept) {
  if (kept != nullptr && !kept->taken_) {
    threads_ = kept;
  } else {
    threads_ = &own_.emplace();
  }
  threads_->taken_ = true;
}

HelperLease::~HelperLease() { threads_->taken_ = false; }

}  // namespace brim::platform::win32
