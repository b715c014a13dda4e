#include "platform/failure.h"
#include "platform/win32/factories.h"

namespace brim::platform::win32 {
namespace {
class NotBuilt : public FileSystemObjectFactory, public FileRemoval {
 public:
  std::unique_ptr<FileSystemObject> Create() override { throw Failure("folder removal not built yet"); }
  void Kill(const std::wstring& /*path*/) override { throw Failure("file removal not built yet"); }
};
}  // namespace

std::unique_ptr<FileSystemObjectFactory> MakeFileSystemObjectFactory(Breather* /*breather*/) {
  return std::make_unique<NotBuilt>();
}
std::unique_ptr<FileRemoval> MakeFileRemoval(Breather* /*breather*/) { return std::make_unique<NotBuilt>(); }

}  // namespace brim::platform::win32
