// export/kxQueueManager_Save.h — saving a queue record as a document file,
// optionally adding it to a zip archive beside it.
//
// The document is streamed into a temporary file in the target folder, flushed
// to disk and then renamed to its name: a failure at any point (an unreadable
// blob, a full disk) leaves no document and no temporary file behind, and an
// importer watching the folder never sees a half-written one. Folders made
// for the path stay.
#pragma once

#include <functional>

#include "export/kxQueueManager_Record.h"
#include "platform/rtl/Text.h"

namespace kxQueueManager {

// Writes QueueItem (completed as WriteDocumentXml says) to FileName, making
// its folders; an existing file is replaced. With CreateZip the file is then
// added to the archive named like FileName with ".zip" in place of its
// extension (appended when it has none), created or extended; the document
// stays beside it. True with Message emptied, or false with Message:
//   - the writer's own failure, unchanged: "error creating document xml (...)"
//   - "error creating document xml file (" + one of these + ")":
//     "streaming to file " + FileName + " failed",
//     "created file " + FileName + " does not exists",
//     "streaming to zip file " + archive + " failed",
//     "created zip file " + archive + " does not exists".
// A document written before the zip step failed stays. When the file cannot
// be made the save stops at once ("streaming to file ... failed"), reading
// no blob; the record is completed all the same. The checks that the file
// and the archive are there count any regular file, dot-named ones too.
//
// With NextName set, the file is published without replacing anything: when
// FileName was taken since it was chosen, NextName() gives another name, and
// FileName tells the name used. (Two exports into one folder can choose the
// same free name; this way neither replaces the other.)
bool SaveDocumentXML(UnicodeString& FileName, bool CreateZip, TDocumentQueueRecord& QueueItem,
                     bool IncludeOptions, UnicodeString& Message,
                     const std::function<UnicodeString()>& NextName = nullptr);

// As SaveDocumentXML for the document JSON (WriteDocumentJson, blob bytes
// always embedded), streamed into the staged file. Every failure, the
// writer's included, gives "error creating document json file (" + its
// text + ")".
bool SaveDocumentJson(const UnicodeString& FileName, bool CreateZip,
                      TDocumentQueueRecord& QueueItem, bool IncludeOptions,
                      UnicodeString& Message);

}  // namespace kxQueueManager
