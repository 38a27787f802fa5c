#include "platform/file/AtomicReplace.h"

#include "platform/file/StagedFile.h"

namespace kx::platform {

bool ReplaceFileAtomically(const std::string& Path, std::string_view Data, mode_t NewFileMode) {
  StagedFile file(Path, NewFileMode);
  return file.Fd() >= 0 && file.Write(Data) && file.Publish(Path, true);
}

}  // namespace kx::platform
