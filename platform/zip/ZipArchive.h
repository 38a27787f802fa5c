// platform/zip/ZipArchive.h — zip archives on disk, over libzip: open or
// start one, add members from memory, save; list the members and read one
// into a stream or a file.
//
// Archive paths follow the path rule of platform/file/Path.h (drive and
// network paths name nothing). libzip writes a changed archive to a
// temporary file beside it and renames that over the archive, so a reader
// never sees a half-written archive and a failed save leaves the file as it
// was.
//
// Member names are UTF-16 here. They are written as UTF-8 with the archive's
// UTF-8 flag; when read, a name is taken as UTF-8 when flagged or valid, else
// as code page 437 (what old archivers wrote). Member times and the
// compression method are libzip's defaults (deflate).
//
// No call raises: a failure answers false (or 0) and leaves the reason in
// ErrorText().
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/rtl/Stream.h"
#include "platform/rtl/Text.h"

struct zip;

namespace kx::platform {

class ZipArchive {
 public:
  ZipArchive() = default;
  ~ZipArchive();  // closes, discarding unsaved changes
  ZipArchive(const ZipArchive&) = delete;
  ZipArchive& operator=(const ZipArchive&) = delete;

  // Opens Path to add members: the archive that is there, or a new one when
  // no entry of that name exists (the file appears with Save). A 0-byte file
  // counts as an empty archive, since CreateBlankFile and the unique-name
  // makers leave such files. False, Path untouched, when the file is no
  // archive or cannot be read.
  bool OpenForUpdate(std::u16string_view Path);
  // Opens an existing archive to read; a 0-byte file is an empty archive.
  bool OpenForReading(std::u16string_view Path);
  bool IsOpen() const { return zip_ != nullptr; }

  // The archive comment; "" removes it.
  bool SetComment(std::string_view Comment);
  // Adds a member holding a copy of Data (so Data need not outlive the
  // call). A member of the same name is replaced. An empty name, or one that
  // is not valid text, is refused.
  bool Add(const UnicodeString& Name, std::string_view Data);
  // Writes the changes and closes the archive. An archive left without
  // members is written as the 22-byte empty archive (libzip alone would
  // remove the file). On failure every change is dropped, Path stays as it
  // was, and the archive is closed all the same.
  bool Save();
  // Closes, dropping unsaved changes.
  void Close();

  // The number of members; 0 when nothing is open.
  int64_t Count();
  // The stored name of member Index (0-based), as it stands: folder entries
  // end with "/", and "\" may occur as the separator of old archivers.
  bool Name(int64_t Index, UnicodeString& Name);
  // Writes the content of member Index to Target at its position. False for
  // a damaged member (its checksum is tested at the end), an encrypted one,
  // or a write error; Target may then hold part of the content.
  bool Extract(int64_t Index, Stream& Target);
  // Writes member Index into the file Path, created or emptied under an
  // exclusive lock (FileStream, fmCreate). When that fails and the file did
  // not exist before, the partial file is removed.
  bool ExtractToFile(int64_t Index, const UnicodeString& Path);

  // Why the last failing call failed; "" when none failed since opening.
  const std::string& ErrorText() const { return error_; }

 private:
  bool Open(std::u16string_view Path, bool ForUpdate);
  bool Fail(std::string Text);
  bool FailWithArchiveError(const char* What);

  ::zip* zip_ = nullptr;
  std::string path_;         // the system's name of the archive
  bool readOnly_ = false;
  bool writeEmpty_ = false;  // Save writes an empty archive when no member is left
  std::string error_;
};

}  // namespace kx::platform
