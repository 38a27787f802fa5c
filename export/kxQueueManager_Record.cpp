// export/kxQueueManager_Record.cpp — the document queue record's operations.
#include "export/kxQueueManager_Record.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>

#include "platform/file/FileSystem.h"
#include "platform/file/Path.h"
#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/NumberText.h"
#include "platform/rtl/Stream.h"
#include "platform/rtl/Trim.h"
#include "system/kxFiles.h"
#include "system/kxMD5.h"
#include "system/kxToolsEvo2_Identity.h"
#include "system/kxTypes_Variant.h"
#include "text/kxConversion.h"

namespace {

constexpr std::array<const char*, 10> kStateTexts = {
    "IMPORT", "IDLE", "EXPORT", "ERROR", "WARNING",
    "PROCESSING", "ONHOLD", "POSTSCRIPT", "PRESCRIPT", "UNKNOWN"};
constexpr std::array<const char*, 4> kTaskTexts = {"EXPORT", "PLUMO", "UNKNOWN", "MOVE"};

// The text of an enumeration value; "UNKNOWN" outside the table.
template <class E, size_t N>
AnsiString EnumText(E Value, const std::array<const char*, N>& Texts) {
  const auto i = static_cast<size_t>(Value);
  return i < N ? Texts[i] : "UNKNOWN";
}

// The value whose text equals Text upper-cased and trimmed, else Default.
template <class E, size_t N>
E EnumFromText(const UnicodeString& Text, const std::array<const char*, N>& Texts, E Default) {
  const UnicodeString key = UpperText(UnicodeString(TrimBlanks(Text)));
  for (size_t i = 0; i < N; ++i)
    if (key == ToUtf16(Texts[i])) return static_cast<E>(i);
  return Default;
}

// The reference id of a stored copy: its file name without the extension
// that was appended to it.
UnicodeString RefIdOf(const UnicodeString& Target, const UnicodeString& Extension) {
  UnicodeString name = kx::platform::ExtractFileName(Target);
  if (!Extension.empty() && name.size() > Extension.size() &&
      name.compare(name.size() - Extension.size(), Extension.size(), Extension) == 0)
    name.resize(name.size() - Extension.size());
  return name;
}

bool IsBlank(std::string_view Text) {
  for (const char c : Text)
    if (static_cast<unsigned char>(c) > ' ') return false;
  return true;
}

}  // namespace

bool InitQueueRecord(TDocumentQueueRecord& QueueItem) {
  // Everything that can fail runs before the record is touched.
  const TIdType id = TkxTools::CreateId();
  const TDateTime now = Now();
  UnicodeString userName = TkxTools::GetUserNameEx(TkxTools::NameUserPrincipal);
  UnicodeString client = TkxTools::GetComputerName();

  TDocumentQueueRecord fresh;
  fresh.Id = id;
  fresh.Version = 1;
  fresh.State = kxQS_Unknown;
  fresh.Task = kxQT_Unknown;
  fresh.CreationDate = now;
  fresh.ChangeDate = now;
  fresh.RetryDate = TDateTime(now.Val - 1.0);
  fresh.UserName = std::move(userName);
  fresh.Client = std::move(client);
  fresh.BlobCount = QueueItem.BlobCount;
  QueueItem = std::move(fresh);
  return true;
}

AnsiString QueueStateToStr(TkxQueueState State) { return EnumText(State, kStateTexts); }

TkxQueueState StrToQueueState(const UnicodeString& Text, TkxQueueState Default) {
  return EnumFromText(Text, kStateTexts, Default);
}

AnsiString QueueTaskToStr(TkxQueueTask Task) { return EnumText(Task, kTaskTexts); }

TkxQueueTask StrToQueueTask(const UnicodeString& Text, TkxQueueTask Default) {
  return EnumFromText(Text, kTaskTexts, Default);
}

bool AddQueueBlob(TDocumentQueueRecord& QueueItem, const UnicodeString& FileName,
                  const UnicodeString& BlobName, const ByteBuffer& BlobData,
                  const UnicodeString& MimeType, const UnicodeString& Extension, bool Store,
                  const UnicodeString& StorePath, const UnicodeString& DocType,
                  const AnsiString& BlobId, int32_t Index, int64_t DataSize,
                  TkxCryptingMethod Encryption) {
  if (FileName.empty() && BlobData.Empty())
    throw Exception("invalid file information - empty data and filename");

  const bool append = Index < 0;
  if (!append && static_cast<size_t>(Index) >= QueueItem.Blobs.size())
    throw Exception(u"invalid blob index " + IntToStr(Index));
  const size_t slot = append ? QueueItem.Blobs.size() : static_cast<size_t>(Index);

  const UnicodeString blobName =
      BlobName.empty() ? kx::platform::ExtractFileName(FileName) : BlobName;
  const UnicodeString mimeType =
      MimeType.empty() ? TkxFiles::GetMIMEType(FileName, u"") : MimeType;
  UnicodeString extension = Extension;
  if (extension.empty()) {
    extension = kx::platform::ExtractFileExt(FileName);
    if (extension.empty()) extension = u"." + TkxFiles::GetExtensionFromMimeType(mimeType);
  }
  const int64_t size =
      BlobData.Empty() ? TkxFiles::GetSizeOfFile(FileName) : static_cast<int64_t>(BlobData.Size());

  UnicodeString link = FileName;
  ByteBuffer data = BlobData;
  AnsiString refId;
  if (Store) {
    UnicodeString storeName;
    if (IsBlank(QueueItem.Id.View())) {
      storeName = ToUtf16(TkxTools::CreateId().View());
    } else {
      storeName = ToUtf16(QueueItem.Id.View()) + u"-" +
                  (BlobId.empty() ? IntToStr(static_cast<int64_t>(slot) + 1) : ToUtf16(BlobId));
    }
    // A host's id may hold separators or ".."; the copy must stay inside
    // StorePath. The copy's extension is the one the record names, so that
    // Reference + Extension finds it on a file system that tells case apart.
    storeName = TkxFiles::ConvertToFileName(storeName);
    extension = LowerText(TkxFiles::ConvertToFileName(extension));
    UnicodeString target = TkxFiles::CheckPathExt(StorePath) + storeName + extension;
    // Another document's copy may already sit there (a repeated document
    // id), or appear while this one is written: the copy takes the next free
    // name and never replaces anything. It is on disk before the document
    // that references it.
    target = kx::platform::FreeFileName(target);
    TkxFiles::CreatePath(target, true);
    UnicodeString published;
    if (!BlobData.Empty()) {
      if (!kx::platform::WriteFileToFreeName(BlobData.View(), target, published))
        throw Exception(u"unable to stream blob data to " + target);
    } else {
      if (!kx::platform::CopyFileToFreeName(FileName, target, published))
        throw Exception(u"unable to copy " + FileName + u" to blob " + target);
      if (!kx::platform::SetFileAttributes(published, kx::platform::faArchive))
        throw Exception(u"unable to set faarchive attribute on " + published);
    }
    link = published;
    data.Clear();
    refId = ToUtf8(RefIdOf(published, extension));
  }

  TkxBlob blob = append ? TkxBlob() : QueueItem.Blobs[slot];
  blob.Id = BlobId;
  blob.BlobName = blobName;
  blob.BlobData = std::move(data);
  blob.BlobLink = link;
  blob.OrgLink = link;
  blob.BlobPartId = 0;
  blob.BlobRefId = std::move(refId);
  blob.Extension = LowerText(extension);
  blob.MimeType = mimeType;
  blob.DocType = DocType;
  blob.Compressed = false;
  blob.Partitioned = false;
  blob.BlobSize = size;
  blob.Encryption = Encryption;
  blob.PageCount = -1;
  blob.DataSize = DataSize >= 0 ? DataSize : size;

  if (append)
    QueueItem.Blobs.push_back(std::move(blob));
  else
    QueueItem.Blobs[slot] = std::move(blob);
  return true;
}

int32_t AddMetaFieldValue(TDocumentQueueRecord& QueueItem, const UnicodeString& FieldName,
                          const UnicodeString& Value, double Confidence, bool Replace) {
  if (FieldName.empty()) return -1;
  size_t index = QueueItem.MetaData.size();
  if (Replace) {
    for (size_t i = 0; i < QueueItem.MetaData.size(); ++i)
      if (QueueItem.MetaData[i].IntField == FieldName) {
        index = i;
        break;
      }
  }
  if (index == QueueItem.MetaData.size()) QueueItem.MetaData.emplace_back();
  TkxMetaField& field = QueueItem.MetaData[index];
  field.IntField = FieldName;
  field.ExtField = FieldName;
  field.Value = Value;
  field.VarValue = Variant::FromUString(Value);
  field.VarType = 8;
  field.Confidence = Confidence;
  return static_cast<int32_t>(index);
}

int32_t AddMetaField(TDocumentQueueRecord& QueueItem, const UnicodeString& FieldName,
                     const Variant& Value, TVarType VarType, bool Replace, double Confidence,
                     const TRelRect& Zone, int32_t Page) {
  const int32_t index = AddMetaFieldValue(QueueItem, FieldName, TkxTypes::VarToStrExt(Value),
                                          Confidence, Replace);
  if (index >= 0) {
    TkxMetaField& field = QueueItem.MetaData[static_cast<size_t>(index)];
    field.VarValue = Value;
    field.VarType = VarType;
    field.Zone = Zone;
    field.Page = Page;
  }
  return index;
}

TIdType GetKeyHash(const TkxMetaData& MetaData) {
  UnicodeString joined;
  for (const TkxMetaField& field : MetaData)
    if (!field.ExtField.empty()) joined += field.Value;
  return TIdType(TkxMD5::GetMD5FromString(ToUtf8(joined)));
}

UnicodeString GetSubjectText(const TDocumentQueueRecord& QueueItem) {
  UnicodeString subject;
  for (const TkxMetaField& field : QueueItem.MetaData) {
    const UnicodeString value = TkxTypes::VarIsInitial(field.VarValue)
                                    ? field.Value
                                    : TkxTypes::VarToStrExt(field.VarValue);
    subject = UnicodeString(TrimBlanks(subject + value)) + u" ";
  }
  if (TrimBlanks(subject).empty() && QueueItem.Blobs.size() >= 2)
    subject = QueueItem.Blobs.front().BlobName;

  UnicodeString collapsed;
  collapsed.reserve(subject.size());
  for (size_t i = 0; i < subject.size(); ++i) {
    collapsed += subject[i];
    if (subject[i] == u' ' && i + 1 < subject.size() && subject[i + 1] == u' ') ++i;
  }
  subject = std::move(collapsed);

  constexpr size_t kMax = 100;
  if (subject.size() > kMax) {
    size_t cut = kMax;
    // Never leave half of a surrogate pair behind.
    if (subject[cut - 1] >= 0xD800 && subject[cut - 1] <= 0xDBFF && subject[cut] >= 0xDC00 &&
        subject[cut] <= 0xDFFF)
      --cut;
    subject = subject.substr(0, cut) + u"...";
  }
  return UnicodeString(TrimBlanks(subject));
}

AnsiString RelRectToZoneStr(const TRelRect& Zone) {
  const double values[4] = {Zone.Left, Zone.Top, Zone.Width, Zone.Height};
  AnsiString result;
  for (size_t i = 0; i < 4; ++i) {
    const double r = std::nearbyint(values[i]);
    // 2^63 itself is the first value that no longer fits.
    if (!std::isfinite(r) || r < -9223372036854775808.0 || r >= 9223372036854775808.0)
      return "0,0,0,0";
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, static_cast<int64_t>(r));
    if (i > 0) result += ',';
    result.append(buf, res.ptr);
  }
  return result;
}

TRelRect ZoneStrToRelRect(const AnsiString& ZoneStr) {
  const UnicodeString text = ToUtf16(ZoneStr) + u",";
  double items[4] = {0, 0, 0, 0};
  try {
    size_t pos = 0;
    for (size_t i = 0; i < 4 && pos < text.size(); ++i) {
      const size_t comma = text.find(u',', pos);
      items[i] = TkxConversion::StrToReal(text.substr(pos, comma - pos), true, 0.0);
      pos = comma + 1;
    }
  } catch (const Exception&) {
    return TRelRect();
  }
  TRelRect zone;
  zone.Left = items[0];
  zone.Top = items[1];
  zone.Width = items[2];
  zone.Height = items[3];
  zone.Right = zone.Left + zone.Width;
  zone.Bottom = zone.Top + zone.Height;
  return zone;
}

UnicodeString BuildDocumentUri(const UnicodeString& Repository,
                               const TDocumentQueueRecord& QueueItem, int32_t Version) {
  return u"doc://" + Repository + u"/" + ToUtf16(QueueItem.Id.View()) + u"/" + IntToStr(Version);
}

bool ParseDocumentUri(const UnicodeString& Uri, UnicodeString& Repository, TIdType& Id,
                      int32_t& Version) {
  UnicodeString rest = Uri + u"/";
  const size_t scheme = rest.find(u"://");
  rest.erase(0, scheme == UnicodeString::npos ? std::min<size_t>(2, rest.size()) : scheme + 3);

  // The text before the next "/", removed with that "/" (all of it when
  // there is none).
  auto next = [&rest]() {
    const size_t slash = rest.find(u'/');
    UnicodeString part = rest.substr(0, slash);
    rest.erase(0, slash == UnicodeString::npos ? rest.size() : slash + 1);
    return part;
  };
  Repository = next();
  Id = TIdType(ToUtf8(next()));
  const int64_t version = TkxConversion::StrToInt(next(), 1);
  // A number beyond 32 bits cannot be a version: read it as unreadable.
  Version = version >= std::numeric_limits<int32_t>::min() &&
                    version <= std::numeric_limits<int32_t>::max()
                ? static_cast<int32_t>(version)
                : 1;
  return true;
}
