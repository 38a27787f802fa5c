// export/kxQueueManager_ListXml.h — the document list ("kxDocuments") and the
// blob list ("kxBlobs"): two small XML summaries of queue records and blobs
// (TkxQueueTools::CreateDocumentListXML and CreateBlobListXML).
//
// Both are written like the document XML: the declaration, the line break,
// the root without any further white space, "<e/>" for an empty element,
// attributes in a fixed order and every one written, also when empty. Every
// text and attribute value is made XML-safe first (PrepareXMLStringW without
// notation replacements), so whatever the records hold, the list parses.
// Dates are time-stamp texts ("000A955Ah00000000h" for 0).
//
//   <kxDocuments><Document Id="A1" Date="000B4646h02932E00h" Blobs="2">
//     <Subject>Invoice 4711</Subject><Messages/></Document></kxDocuments>
//   <kxBlobs><Blob Id="A1-1" TackId="" SortId="0" Extension=".pdf" DocType=""
//     MimeType="application/pdf" Size="1024" Date="..." State="IMPORT">scan.pdf</Blob></kxBlobs>
// (shown broken into lines; the lists have none).
#pragma once

#include "export/kxQueueManager_Record.h"
#include "platform/rtl/Text.h"

namespace kxQueueManager {

// One "Document" per record with its Id, the time stamp of CreationDate,
// BlobCount (the field, whatever Blobs holds), Subject and Messages.
// False with XML empty and Message "error creating document list xml (" +
// reason + ")" on failure; never raises.
bool CreateDocumentListXML(const TDocumentQueueRecords& QueueItems, AnsiString& XML,
                           UnicodeString& Message);

// One "Blob" per blob: its BlobRefId as Id (not its Id field), TackId,
// SortId, Extension, DocType, MimeType, BlobSize, the time stamp of BlobDate
// and the text of its State; the content is BlobName. False with XML empty
// and Message "error creating blob list xml (" + reason + ")" on failure;
// never raises.
bool CreateBlobListXML(const TkxBlobs& Blobs, AnsiString& XML, UnicodeString& Message);

}  // namespace kxQueueManager
