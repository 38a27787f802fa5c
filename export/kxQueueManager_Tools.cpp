// export/kxQueueManager_Tools.cpp — the queue tools object.
#include "export/kxQueueManager_Tools.h"

#include "environment/kxClassFactory.h"
#include "environment/kxVanto_Paths.h"
#include "export/kxQueueManager_DocumentJson.h"
#include "export/kxQueueManager_DocumentJsonReader.h"
#include "export/kxQueueManager_DocumentXml.h"
#include "export/kxQueueManager_Save.h"
#include "platform/rtl/Exceptions.h"
#include "system/kxFiles.h"

TkxQueueTools::TkxQueueTools()
    : BlobPath(TkxVanto::GetBlobPath()), BlobTempPath(TkxVanto::GetTempPath(true, false)) {
  TkxFiles::CreatePath(BlobPath, true);
  TkxFiles::CreatePath(BlobTempPath, true);
  // Made with the tools as every queue client makes it, though no operation
  // here asks it for anything yet.
  ClassFactory = std::make_unique<TkxClassFactory>();
}

TkxQueueTools::~TkxQueueTools() = default;

bool TkxQueueTools::ConvertToInplaceBlobs(TDocumentQueueRecord& QueueItem) {
  for (TkxBlob& blob : QueueItem.Blobs) {
    if (!blob.BlobData.Empty()) continue;
    if (!TkxFiles::FileExists(blob.BlobLink))
      throw Exception(u"blob reference " + blob.BlobLink + u" not found");
    AnsiString bytes;
    // A file that is there but cannot be read must not turn into an empty blob.
    if (!TkxFiles::LoadFileToString(blob.BlobLink, bytes))
      throw Exception(u"blob reference " + blob.BlobLink + u" cannot be read");
    blob.BlobData = ByteBuffer(std::move(bytes));
    blob.BlobRefId.clear();
    blob.BlobLink.clear();
  }
  return true;
}

bool TkxQueueTools::CreateDocumentXML(TDocumentQueueRecord& QueueItem, AnsiString& DocumentXML,
                                      bool IncludeOptions) {
  return kxQueueManager::CreateDocumentXML(QueueItem, DocumentXML, IncludeOptions, Message);
}

bool TkxQueueTools::CreateDocumentJson(TDocumentQueueRecord& QueueItem, AnsiString& DocumentJson,
                                       bool IncludeOptions, bool IncludeBlobData) {
  return kxQueueManager::CreateDocumentJson(QueueItem, DocumentJson, IncludeOptions,
                                            IncludeBlobData, Message);
}

bool TkxQueueTools::LoadDocumentJson(TDocumentQueueRecord& QueueItem, AnsiString& DocumentJson,
                                     bool NewId, bool LoadBlobRefs, bool LoadBlobRefData) {
  return kxQueueManager::LoadDocumentJson(QueueItem, DocumentJson, NewId, LoadBlobRefs,
                                          LoadBlobRefData, BlobTempPath, Message);
}

bool TkxQueueTools::SaveDocumentXML(const UnicodeString& FileName, bool CreateZip,
                                    TDocumentQueueRecord& QueueItem, bool IncludeOptions) {
  UnicodeString name = FileName;  // the caller's name never changes
  return kxQueueManager::SaveDocumentXML(name, CreateZip, QueueItem, IncludeOptions, Message);
}

bool TkxQueueTools::SaveDocumentXML(UnicodeString& FileName, bool CreateZip,
                                    TDocumentQueueRecord& QueueItem, bool IncludeOptions,
                                    const std::function<UnicodeString()>& NextName) {
  return kxQueueManager::SaveDocumentXML(FileName, CreateZip, QueueItem, IncludeOptions, Message,
                                         NextName);
}

bool TkxQueueTools::SaveDocumentJson(const UnicodeString& FileName, bool CreateZip,
                                     TDocumentQueueRecord& QueueItem, bool IncludeOptions) {
  return kxQueueManager::SaveDocumentJson(FileName, CreateZip, QueueItem, IncludeOptions, Message);
}
