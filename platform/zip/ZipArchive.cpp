#include "platform/zip/ZipArchive.h"

#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/file/ErrorText.h"
#include "platform/file/FileSystem.h"
#include "platform/file/Path.h"
#include "platform/os/LastError.h"
#include "platform/rtl/Exceptions.h"

namespace kx::platform {

namespace {

// End of central directory of an archive without members and comment.
constexpr char kEmptyArchive[22] = {'P', 'K', 5, 6};

std::string SystemText(int error) { return ToUtf8(OSErrorMessage(error)); }

struct ZipFileCloser {
  void operator()(zip_file_t* file) const { zip_fclose(file); }
};

}  // namespace

ZipArchive::~ZipArchive() { Close(); }

bool ZipArchive::Fail(std::string Text) {
  error_ = std::move(Text);
  return false;
}

bool ZipArchive::FailWithArchiveError(const char* What) {
  return Fail(std::string(What) + ": " + zip_error_strerror(zip_get_error(zip_)));
}

bool ZipArchive::Open(std::u16string_view Path, bool ForUpdate) {
  Close();
  error_.clear();
  if (!ToSystemPath(Path, path_)) return Fail("no such archive: " + ToUtf8(Path));

  struct stat st {};
  const bool exists = ::stat(path_.c_str(), &st) == 0;
  if (!exists && (errno != ENOENT || !ForUpdate)) {
    SetLastOSError(errno);
    return Fail(SystemText(errno) + ": " + path_);
  }
  const bool zeroBytes = exists && S_ISREG(st.st_mode) && st.st_size == 0;

  // libzip takes a 0-byte file for no archive unless told to start afresh;
  // nothing is written before Save, so reading it that way changes nothing.
  int flags = ZIP_RDONLY;
  if (zeroBytes)
    flags = ZIP_CREATE | ZIP_TRUNCATE;
  else if (ForUpdate)
    flags = ZIP_CREATE;
  int code = 0;
  zip_ = zip_open(path_.c_str(), flags, &code);
  if (zip_ == nullptr) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string text = std::string(zip_error_strerror(&error)) + ": " + path_;
    zip_error_fini(&error);
    return Fail(std::move(text));
  }
  readOnly_ = !ForUpdate;
  writeEmpty_ = !exists || zeroBytes;
  return true;
}

bool ZipArchive::OpenForUpdate(std::u16string_view Path) { return Open(Path, true); }
bool ZipArchive::OpenForReading(std::u16string_view Path) { return Open(Path, false); }

void ZipArchive::Close() {
  if (zip_ != nullptr) zip_discard(zip_);
  zip_ = nullptr;
}

bool ZipArchive::SetComment(std::string_view Comment) {
  if (zip_ == nullptr || readOnly_) return Fail("no archive is open for update");
  if (Comment.size() > UINT16_MAX) return Fail("comment too long");
  if (zip_set_archive_comment(zip_, Comment.empty() ? nullptr : Comment.data(),
                              static_cast<zip_uint16_t>(Comment.size())) != 0)
    return FailWithArchiveError("cannot set the comment");
  return true;
}

bool ZipArchive::Add(const UnicodeString& Name, std::string_view Data) {
  if (zip_ == nullptr || readOnly_) return Fail("no archive is open for update");
  if (Name.empty()) return Fail("a member needs a name");
  const std::string name = ToUtf8(Name);

  // The source owns a malloc'ed copy (freep = 1): libzip reads it only when
  // the archive is written, long after the caller's buffer may be gone.
  void* copy = nullptr;
  if (!Data.empty()) {
    copy = std::malloc(Data.size());
    if (copy == nullptr) return Fail("out of memory for a member of " + std::to_string(Data.size()) + " bytes");
    std::memcpy(copy, Data.data(), Data.size());
  }
  zip_source_t* source = zip_source_buffer(zip_, copy, Data.size(), copy != nullptr ? 1 : 0);
  if (source == nullptr) {
    std::free(copy);
    return FailWithArchiveError("cannot hold the member");
  }
  if (zip_file_add(zip_, name.c_str(), source, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8) < 0) {
    zip_source_free(source);  // frees the copy too
    return FailWithArchiveError(("cannot add " + name).c_str());
  }
  return true;
}

bool ZipArchive::Save() {
  if (zip_ == nullptr || readOnly_) return Fail("no archive is open for update");
  if (writeEmpty_ && zip_get_num_entries(zip_, 0) == 0) {
    Close();
    try {
      FileStream file(ToUtf16(path_), fmCreate);
      file.WriteBuffer(kEmptyArchive, sizeof kEmptyArchive);
    } catch (const Exception& e) {
      return Fail(ToUtf8(e.Message));
    }
    return true;
  }
  if (zip_close(zip_) != 0) {
    FailWithArchiveError("cannot write the archive");
    Close();  // zip_discard: the archive file stays as it was
    return false;
  }
  zip_ = nullptr;
  return true;
}

int64_t ZipArchive::Count() {
  if (zip_ == nullptr) return 0;
  const zip_int64_t n = zip_get_num_entries(zip_, 0);
  return n < 0 ? 0 : n;
}

bool ZipArchive::Name(int64_t Index, UnicodeString& Name) {
  if (zip_ == nullptr) return Fail("no archive is open");
  if (Index < 0 || Index >= Count()) return Fail("no member " + std::to_string(Index));
  const char* name = zip_get_name(zip_, static_cast<zip_uint64_t>(Index), ZIP_FL_ENC_GUESS);
  if (name == nullptr) return FailWithArchiveError("cannot read a member name");
  Name = ToUtf16(name);
  return true;
}

bool ZipArchive::Extract(int64_t Index, Stream& Target) {
  if (zip_ == nullptr) return Fail("no archive is open");
  if (Index < 0 || Index >= Count()) return Fail("no member " + std::to_string(Index));
  std::unique_ptr<zip_file_t, ZipFileCloser> file(zip_fopen_index(zip_, static_cast<zip_uint64_t>(Index), 0));
  if (!file) return FailWithArchiveError("cannot open the member");
  std::vector<char> buffer(1 << 16);
  try {
    for (;;) {
      const zip_int64_t n = zip_fread(file.get(), buffer.data(), buffer.size());
      if (n < 0) return Fail(std::string("cannot read the member: ") + zip_file_strerror(file.get()));
      if (n == 0) break;
      Target.WriteBuffer(buffer.data(), n);
    }
  } catch (const Exception& e) {
    return Fail(ToUtf8(e.Message));
  }
  return true;
}

bool ZipArchive::ExtractToFile(int64_t Index, const UnicodeString& Path) {
  if (zip_ == nullptr) return Fail("no archive is open");
  const bool existed = EntryExists(Path);
  bool ok;
  try {
    FileStream file(Path, fmCreate);
    ok = Extract(Index, file);
  } catch (const Exception& e) {
    return Fail(ToUtf8(e.Message));
  }
  if (!ok && !existed) {
    std::string name;
    if (ToSystemPath(Path, name)) ::unlink(name.c_str());
  }
  return ok;
}

}  // namespace kx::platform
