#pragma once
// A 32-bit process on 64-bit Windows that asks for the running system's
// system32 is silently given SysWOW64 instead. The removal must reach the
// folders its paths name, so it turns that off on its own thread for the
// length of its calls, and nowhere else: fonts, the shell and COM keep the
// system's view.

namespace brim::platform::win32 {

// Off on this thread from construction to destruction. Where the system has
// no redirection (32-bit Windows, a 64-bit process), it does nothing.
class RedirectionOff {
 public:
  RedirectionOff() { Off(); }
  RedirectionOff(const RedirectionOff&) = delete;
  RedirectionOff& operator=(const RedirectionOff&) = delete;
  ~RedirectionOff() { Restore(); }

  // Both may be called again; a pause restores the system's view meanwhile.
  void Off() noexcept;
  void Restore() noexcept;

 private:
  void* old_value_ = nullptr;
  bool off_ = false;
};

}  // namespace brim::platform::win32
