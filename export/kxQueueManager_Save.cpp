#include "export/kxQueueManager_Save.h"

#include <memory>

#include "export/kxQueueManager_DocumentJson.h"
#include "export/kxQueueManager_DocumentXml.h"
#include "export/kxQueueManager_Failure.h"
#include "platform/file/FileSystem.h"
#include "platform/file/Path.h"
#include "platform/file/StagedFile.h"
#include "platform/rtl/Exceptions.h"
#include "system/kxFiles_Paths.h"
#include "system/kxFiles_Zip.h"

namespace kxQueueManager {
namespace {

// A failure of the saving steps; its text goes into the operation's wrapper.
struct SaveFailure : Exception {
  using Exception::Exception;
};

UnicodeString ZipNameOf(const UnicodeString& FileName) {
  const UnicodeString ext = kx::platform::ExtractFileExt(FileName);
  return FileName.substr(0, FileName.size() - ext.size()) + u".zip";
}

// Publishes the staged file as FileName (asking NextName while the name is
// taken, when given) and checks that it is there. The check is for a regular
// file whatever its name: a document named ".doc.xml" is hidden to
// FileExists, yet it was written.
void Publish(kx::platform::StagedFile& staged, UnicodeString& FileName,
             const std::function<UnicodeString()>& NextName) {
  for (;;) {
    const auto published = staged.Publish(FileName, !NextName);
    if (published) break;
    if (NextName && published.Result == kx::platform::StagedFile::PublishResult::NameTaken) {
      FileName = NextName();
      continue;
    }
    throw SaveFailure(u"streaming to file " + FileName + u" failed");
  }
  if (!kx::platform::RegularFileExists(FileName))
    throw SaveFailure(u"created file " + FileName + u" does not exists");
}

void AddToZip(const UnicodeString& FileName) {
  const UnicodeString zip = ZipNameOf(FileName);
  if (!TkxFiles::AddFileToZip(ToUtf8(FileName), ToUtf8(zip), AnsiString()))
    throw SaveFailure(u"streaming to zip file " + zip + u" failed");
  if (!kx::platform::RegularFileExists(zip))
    throw SaveFailure(u"created zip file " + zip + u" does not exists");
}

// Completes the record and writes the document into Sink. False with the
// writer's own text in Message when the writer fails; a sink that refuses
// bytes is a failure of the file named FileName.
bool WriteDocument(TDocumentQueueRecord& QueueItem, kx::platform::XmlSink& Sink,
                   bool IncludeOptions, const UnicodeString& FileName, UnicodeString& Message) {
  try {
    CompleteDocumentRecord(QueueItem);
    WriteDocumentXml(QueueItem, Sink, IncludeOptions);
  } catch (const EWriteError&) {
    throw SaveFailure(u"streaming to file " + FileName + u" failed");
  } catch (const std::exception&) {
    SetFailureMessage(u"error creating document xml (", Message);
    return false;
  }
  return true;
}

std::unique_ptr<kx::platform::StagedFile> Stage(const UnicodeString& FileName) {
  TkxFiles::CreatePath(FileName, true);  // a folder that cannot be made fails the next step
  try {
    return std::make_unique<kx::platform::StagedFile>(FileName);
  } catch (const Exception&) {
    throw SaveFailure(u"streaming to file " + FileName + u" failed");
  }
}

}  // namespace

bool SaveDocumentXML(UnicodeString& FileName, bool CreateZip, TDocumentQueueRecord& QueueItem,
                     bool IncludeOptions, UnicodeString& Message,
                     const std::function<UnicodeString()>& NextName) {
  try {
    std::unique_ptr<kx::platform::StagedFile> staged;
    try {
      staged = Stage(FileName);
    } catch (const SaveFailure&) {
      // No file, no document: the save stops here, before any blob is read
      // and encoded. The record is completed all the same.
      CompleteDocumentRecord(QueueItem);
      throw;
    }
    {
      kx::platform::FileXmlSink sink(*staged);
      if (!WriteDocument(QueueItem, sink, IncludeOptions, FileName, Message)) return false;
    }
    Publish(*staged, FileName, NextName);
    if (CreateZip) AddToZip(FileName);
  } catch (const std::exception&) {
    SetFailureMessage(u"error creating document xml file (", Message);
    return false;
  }
  Message.clear();
  return true;
}

bool SaveDocumentJson(const UnicodeString& FileName, bool CreateZip,
                      TDocumentQueueRecord& QueueItem, bool IncludeOptions,
                      UnicodeString& Message) {
  UnicodeString name = FileName;
  try {
    std::unique_ptr<kx::platform::StagedFile> staged;
    try {
      staged = Stage(name);
    } catch (const SaveFailure&) {
      // As for the XML: the record is completed without a file and no blob
      // is read; a failing writer is the reason given.
      struct Discard final : kx::platform::XmlSink {
        void Write(std::string_view) override {}
      } none;
      WriteDocumentJson(QueueItem, none, IncludeOptions, false);
      throw;
    }
    try {
      kx::platform::FileXmlSink sink(*staged);
      WriteDocumentJson(QueueItem, sink, IncludeOptions, true);
    } catch (const EWriteError&) {
      throw SaveFailure(u"streaming to file " + name + u" failed");
    }
    Publish(*staged, name, nullptr);
    if (CreateZip) AddToZip(name);
  } catch (const std::exception&) {
    SetFailureMessage(u"error creating document json file (", Message);
    return false;
  }
  Message.clear();
  return true;
}

}  // namespace kxQueueManager
