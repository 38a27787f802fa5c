// export/kxQueueManager_Upload.cpp — sending a queue record to a queue server.
#include "export/kxQueueManager_Tools.h"

// Stands in until the upload is built.
bool TkxQueueTools::UploadDocumentXML(TDocumentQueueRecord&, const UnicodeString&, bool,
                                      AnsiString&, const AnsiString&) {
  Message = u"document upload is not available in this build";
  return false;
}
