// export/kxQueueManager_Tools.h — TkxQueueTools, the object that carries the
// document operations of one export run: where blobs live, and turning blob
// references into blob bytes.
#pragma once

#include <functional>
#include <memory>

#include "export/kxQueueManager_Record.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Text.h"

class TkxClassFactory;

// Progress of an upload: Progress and a short Info text.
using THttpProgressCallBackProc = std::function<void(double Progress, const UnicodeString& Info)>;

class TkxQueueTools : public TObject {
 public:
  // Finds the installation's blob folder and the product's temporary folder
  // and creates both when they are missing (without an installation they lie
  // below the host program's folder). Builds its own network settings
  // factory from the registry.
  TkxQueueTools();
  ~TkxQueueTools() override;
  TkxQueueTools(const TkxQueueTools&) = delete;
  TkxQueueTools& operator=(const TkxQueueTools&) = delete;

  UnicodeString Message;       // reason of the last failed document operation
  static constexpr char kVersion[] = "4.0.0";  // this class's own version text
  AnsiString Version = kVersion;
  UnicodeString BlobPath;      // the installation's blob folder
  UnicodeString BlobTempPath;  // where readers look for referenced blob files
  THttpProgressCallBackProc HttpProgressCallBackProc;  // none unless set

  // Loads the file of every blob that carries no bytes into BlobData and
  // empties its BlobRefId and BlobLink, in order. Raises Exception
  // "blob reference " + BlobLink + " not found" for a missing file and
  // "blob reference " + BlobLink + " cannot be read" for one that cannot be
  // read; blobs converted before stay converted, the failing one keeps its
  // link. True otherwise.
  bool ConvertToInplaceBlobs(TDocumentQueueRecord& QueueItem);

  // The document XML of QueueItem (completed on the way) in DocumentXML;
  // false with Message on failure (kxQueueManager::CreateDocumentXML).
  bool CreateDocumentXML(TDocumentQueueRecord& QueueItem, AnsiString& DocumentXML,
                         bool IncludeOptions);
  // The document JSON of QueueItem (completed on the way) in DocumentJson;
  // on failure Message is set, DocumentJson emptied and the error raised
  // again (kxQueueManager::CreateDocumentJson).
  bool CreateDocumentJson(TDocumentQueueRecord& QueueItem, AnsiString& DocumentJson,
                          bool IncludeOptions, bool IncludeBlobData);
  // Reads a document JSON (a ".json" path or the text) into QueueItem,
  // looking referenced blobs up in the document's folder and then in
  // BlobTempPath; on failure Message is set and the error raised again
  // (kxQueueManager::LoadDocumentJson). DocumentJson is not changed.
  bool LoadDocumentJson(TDocumentQueueRecord& QueueItem, AnsiString& DocumentJson, bool NewId,
                        bool LoadBlobRefs, bool LoadBlobRefData);
  // Saves QueueItem as a document file, optionally zipped beside it; false
  // with Message on failure (kxQueueManager::SaveDocumentXML/SaveDocumentJson).
  bool SaveDocumentXML(const UnicodeString& FileName, bool CreateZip,
                       TDocumentQueueRecord& QueueItem, bool IncludeOptions);
  // The same without replacing any file: while FileName is taken, NextName()
  // gives the next name to try; FileName tells the name used.
  bool SaveDocumentXML(UnicodeString& FileName, bool CreateZip, TDocumentQueueRecord& QueueItem,
                       bool IncludeOptions, const std::function<UnicodeString()>& NextName);
  bool SaveDocumentJson(const UnicodeString& FileName, bool CreateZip,
                        TDocumentQueueRecord& QueueItem, bool IncludeOptions);

  // Reads a document XML, the path of a ".xml" file or the text itself, into
  // QueueItem (reset first; BlobCount keeps its value). NewId gives the
  // record a new Id and no StackId. With LoadBlobRefs each referenced blob's
  // file is looked for in the document's folder, then in BlobTempPath, and
  // with LoadBlobRefData its bytes are loaded. False with Message and
  // DocumentXML emptied on failure (kxQueueManager::LoadDocumentXML).
  bool LoadDocumentXML(TDocumentQueueRecord& QueueItem, AnsiString& DocumentXML, bool NewId,
                       bool LoadBlobRefs, bool LoadBlobRefData);
  // The document list ("kxDocuments") of QueueItems and the blob list
  // ("kxBlobs") of Blobs in XML; false with Message and XML emptied on
  // failure (kxQueueManager::CreateDocumentListXML/CreateBlobListXML).
  bool CreateDocumentListXML(const TDocumentQueueRecords& QueueItems, AnsiString& XML);
  bool CreateBlobListXML(const TkxBlobs& Blobs, AnsiString& XML);

  // Sends every blob of QueueItem to the queue server at ServerUrl, then its
  // document XML. True with Message emptied, DocId the server's document id
  // and each blob's BlobRefId the server's blob id; false with Message.
  // DeleteSourceBlobs removes the blob files after the document was taken.
  bool UploadDocumentXML(TDocumentQueueRecord& QueueItem, const UnicodeString& ServerUrl,
                         bool DeleteSourceBlobs, AnsiString& DocId, const AnsiString& SessionId);

 private:
  // Owned; serves no request (every request builds its own client).
  std::unique_ptr<TkxClassFactory> ClassFactory;
};
