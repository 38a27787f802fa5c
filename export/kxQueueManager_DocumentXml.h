// export/kxQueueManager_DocumentXml.h — the document XML of a queue record,
// written element by element into a byte sink, never built as a tree.
//
// The same bytes go to any sink: a string (the document text of an upload)
// or a file (a saved document never exists whole in memory, whatever its
// blobs weigh). Every text and attribute value is made XML-safe first
// (PrepareXMLStringW without notation replacements: characters XML cannot
// carry, such as the form feeds of OCR values or lone surrogates, become
// blanks), so whatever a record holds, the document parses.
//
// Layout: the declaration, CR LF, then the root "kxDocument" without any
// further white space; "<e/>" for an element without content. Zones are
// RelRectToZoneStr texts; field and alternative confidences use the decimal
// separator of the format settings, row and cell confidences "." with at
// least two decimals.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "export/kxQueueManager_Record.h"
#include "platform/rtl/Text.h"
#include "platform/xml/XmlWriter.h"
#include "system/kxTypes_Records.h"

namespace kxQueueManager {

// The bytes of a blob file are read and encoded in blocks of this size: a
// multiple of 57, so every block ends on a full Base64 line, and close to
// 1 MiB, so the sink gets few, large writes.
inline constexpr size_t kDocumentBlobBlock = 57 * 16 * 1024;

// A field name without leading and trailing white space and control
// characters: tab, LF, VT, FF, CR, blank, U+0085, U+00A0, U+1680,
// U+2000..U+200A, U+2028, U+2029, U+202F, U+3000, and every unit below
// U+0020 or in U+007F..U+009F.
//   TrimDocumentFieldName(u"\u3000 Total\u00A0") == u"Total"
UnicodeString TrimDocumentFieldName(const UnicodeString& Name);

// The confidence of a field or an alternative: the platform's general float
// text (FloatToStr: up to 15 significant digits, no trailing zeros, no point
// for a whole number, an exponent from 1E15 on and below 1E-4) with the
// decimal separator of the format settings:
//   87 -> "87";  87.25 -> "87.25" (or "87,25");  -1e15 -> "-1E15";  1e-5 -> "1E-5".
AnsiString DocumentConfidenceText(double Confidence);

// The Base64 text of a blob's bytes, handed to Out in pieces of about
// 1 MiB of bytes: BlobData when it is not empty (read from the shared
// buffer itself, no copy), else the file at BlobLink, read in blocks of
// kDocumentBlobBlock bytes. Format as the encoder's (lines of 76
// characters joined by CR LF); nothing for no bytes. Raises
// Exception("blob stream exception of file " + BlobLink) when the file
// cannot be opened or read, or yields fewer bytes than its size at opening;
// the text of the blocks before stays with Out.
void WriteBlobBase64(const TkxBlob& Blob, bool Format,
                     const std::function<void(std::string_view)>& Out);

// Writes the parts of the document body. Each call expects the XmlWriter at
// the place the element belongs (the caller opened its parent). The Base64
// text of blob bytes goes through the writer's Base64 entry (CDataBase64),
// which spares it the checks that would cost more than the encoding.
class TkxDocumentXmlWriter {
 public:
  explicit TkxDocumentXmlWriter(kx::platform::XmlWriter& Writer) : xml_(Writer) {}

  // Element Name holding Text (made XML-safe); "<Name/>" for an empty text.
  void TextElement(std::string_view Name, const UnicodeString& Text);
  void TextElement(std::string_view Name, std::string_view Utf8Text);
  // An attribute whose value is made XML-safe.
  void SafeAttribute(std::string_view Name, const UnicodeString& Value);

  // One index "Field" for Field, whose names the caller has trimmed already;
  // nothing for an empty IntField.
  void IndexField(const TkxMetaField& Field);
  // "Table" with header and rows; nothing without a column or without a row.
  void Table(const TkxMetaTableData& Table);
  // One "Blob". Raises Exception("blob stream exception of file " + BlobLink)
  // when its bytes come from a file that cannot be opened or that yields
  // fewer bytes than its size at opening. Bytes already written stay in the
  // sink.
  void Blob(const TkxBlob& Blob);
  // The "Data" element alone: one CDATA section of the Base64 text of the
  // blob's bytes (BlobData when not empty, else the file at BlobLink), lines
  // of 76 characters joined by CR LF; an empty section for no bytes.
  void BlobData(const TkxBlob& Blob);

 private:
  kx::platform::XmlWriter& xml_;
};

// Completes QueueItem as the document writer does before it writes: MetaData
// from MetaDataBuffer when it has no fields, Subject from GetSubjectText when
// empty, KeyHash always, IntField and ExtField of every field trimmed, and
// the whole table from MetaTableDataBuffer when it has no rows.
void CompleteDocumentRecord(TDocumentQueueRecord& QueueItem);

// Writes QueueItem, completed before (CompleteDocumentRecord), as a document
// XML into Sink and calls Sink.Flush at the end. IncludeOptions writes all
// option elements, else CreationDate, ChangeDate, Language, Subject and
// Messages. Raises on any failure; bytes written before it stay in the sink.
void WriteDocumentXml(const TDocumentQueueRecord& QueueItem, kx::platform::XmlSink& Sink,
                      bool IncludeOptions);

// The record completed (CompleteDocumentRecord, the changes kept also when
// a later step fails), then its document text (WriteDocumentXml) in
// DocumentXML (replaced). On
// failure: false, DocumentXML empty and Message
// "error creating document xml (" + the error's text + ")". Never raises
// an Exception.
bool CreateDocumentXML(TDocumentQueueRecord& QueueItem, AnsiString& DocumentXML,
                       bool IncludeOptions, UnicodeString& Message);

}  // namespace kxQueueManager
