#include "export/kxQueueManager_ListXml.h"

#include "export/kxQueueManager_DocumentXml.h"
#include "export/kxQueueManager_Failure.h"
#include "export/kxQueueManager_Tools.h"
#include "platform/rtl/Exceptions.h"
#include "platform/xml/XmlWriter.h"
#include "system/kxDateTime.h"
#include "system/kxToolsEvo2_SystemInfo.h"
#include "text/kxConversion.h"

namespace kxQueueManager {
namespace {

using kx::platform::StringXmlSink;
using kx::platform::XmlWriter;

UnicodeString Stamp(TDateTime Date) {
  return ToUtf16(TkxDateTime::DateTimeToTimeStampStr(Date, false));
}

UnicodeString Decimal(int64_t Value) { return ToUtf16(TkxConversion::IntToStr(Value)); }

// Writes a list with Write(document writer) between the root's tags into
// XML; on any failure XML is emptied and Message says why after Context.
template <class F>
bool WriteList(std::string_view Root, AnsiString& XML, UnicodeString& Message,
               const char16_t* Context, F&& Write) {
  try {
    XML.clear();
    StringXmlSink sink(XML);
    XmlWriter xml(sink);
    TkxDocumentXmlWriter doc(xml);
    xml.StartElement(Root);
    Write(xml, doc);
    xml.EndElement();
    xml.Finish();
    return true;
  } catch (...) {
    SetFailureMessage(Context, Message);
  }
  XML.clear();
  return false;
}

}  // namespace

bool CreateDocumentListXML(const TDocumentQueueRecords& QueueItems, AnsiString& XML,
                           UnicodeString& Message) {
  return WriteList("kxDocuments", XML, Message, u"error creating document list xml (",
                   [&](XmlWriter& xml, TkxDocumentXmlWriter& doc) {
                     for (const TDocumentQueueRecord& q : QueueItems) {
                       xml.StartElement("Document");
                       doc.SafeAttribute("Id", ToUtf16(q.Id.View()));
                       doc.SafeAttribute("Date", Stamp(q.CreationDate));
                       doc.SafeAttribute("Blobs", Decimal(q.BlobCount));
                       doc.TextElement("Subject", q.Subject);
                       doc.TextElement("Messages", q.Messages);
                       xml.EndElement();
                     }
                   });
}

bool CreateBlobListXML(const TkxBlobs& Blobs, AnsiString& XML, UnicodeString& Message) {
  return WriteList("kxBlobs", XML, Message, u"error creating blob list xml (",
                   [&](XmlWriter& xml, TkxDocumentXmlWriter& doc) {
                     for (const TkxBlob& b : Blobs) {
                       xml.StartElement("Blob");
                       doc.SafeAttribute("Id", ToUtf16(b.BlobRefId));
                       doc.SafeAttribute("TackId", ToUtf16(b.TackId));
                       doc.SafeAttribute("SortId", Decimal(b.SortId));
                       doc.SafeAttribute("Extension", b.Extension);
                       doc.SafeAttribute("DocType", b.DocType);
                       doc.SafeAttribute("MimeType", b.MimeType);
                       doc.SafeAttribute("Size", Decimal(b.BlobSize));
                       doc.SafeAttribute("Date", Stamp(b.BlobDate));
                       doc.SafeAttribute("State", ToUtf16(QueueStateToStr(b.State)));
                       if (!b.BlobName.empty())
                         xml.Text(std::u16string_view(TkxTools::PrepareXMLStringW(b.BlobName, false)));
                       xml.EndElement();
                     }
                   });
}

}  // namespace kxQueueManager

bool TkxQueueTools::CreateDocumentListXML(const TDocumentQueueRecords& QueueItems, AnsiString& XML) {
  return kxQueueManager::CreateDocumentListXML(QueueItems, XML, Message);
}

bool TkxQueueTools::CreateBlobListXML(const TkxBlobs& Blobs, AnsiString& XML) {
  return kxQueueManager::CreateBlobListXML(Blobs, XML, Message);
}
