// export/kxQueueManager_DocumentXmlReader.h — a document XML back into a
// queue record (TkxQueueTools::LoadDocumentXML).
//
// The document is read in one pass of the pull reader, from the caller's
// text or from the file in blocks, so memory holds the record's bytes and
// little more: a blob's Base64 text is decoded as it streams by, never held
// whole. The pass keeps only what the record takes; the steps then fill the
// record in their fixed order, so sections may stand in any order and a
// section's error is raised at its turn.
//
// The document model's rules apply to what is read: an element's text is its
// one text or CDATA node (or empty without content), blank text beside child
// elements is indentation, and only element children count as children.
// The first element of a name is read, later ones are passed over.
#pragma once

#include "export/kxQueueManager_Record.h"
#include "platform/rtl/Text.h"

namespace kxQueueManager {

// Reads DocumentXML into QueueItem as the queue tools' LoadDocumentXML does,
// with BlobTempPath as the second folder for referenced blob files. True on
// success; false with Message "error loading document xml (" + reason + ")"
// and DocumentXML emptied otherwise (the record then holds what the steps
// before the failure filled in). Never raises.
//
// DocumentXML is a path when it has ":\" at its second position or begins
// with "\\" or "/", its extension is ".xml" in any case and the file exists
// (a drive or network path never does); referenced blob files are then
// looked for in its folder first. Anything else is the document's text,
// and references are looked for in the current folder first.
bool LoadDocumentXML(TDocumentQueueRecord& QueueItem, AnsiString& DocumentXML, bool NewId,
                     bool LoadBlobRefs, bool LoadBlobRefData, const UnicodeString& BlobTempPath,
                     UnicodeString& Message);

}  // namespace kxQueueManager
