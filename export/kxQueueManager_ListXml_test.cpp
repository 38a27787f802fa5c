#include "export/kxQueueManager_ListXml.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "export/kxQueueManager_Tools.h"
#include "platform/xml/XmlDocument.h"
#include "platform/xml/XmlLintForTesting.h"

using kx::platform::XmlDocument;
using kx::platform::XmlElement;

namespace {

const std::string kHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";

std::string DocumentList(const TDocumentQueueRecords& records) {
  AnsiString xml = "old";
  UnicodeString message;
  EXPECT_TRUE(kxQueueManager::CreateDocumentListXML(records, xml, message)) << ToUtf8(message);
  return xml;
}

std::string BlobList(const TkxBlobs& blobs) {
  AnsiString xml = "old";
  UnicodeString message;
  EXPECT_TRUE(kxQueueManager::CreateBlobListXML(blobs, xml, message)) << ToUtf8(message);
  return xml;
}

// The names of an element's attributes and of its child elements, in order.
std::vector<UnicodeString> AttributeNames(const XmlElement& e) {
  std::vector<UnicodeString> names;
  for (const auto& a : e.Attributes()) names.push_back(a.Name);
  return names;
}

std::vector<UnicodeString> ChildNames(const XmlElement& e) {
  std::vector<UnicodeString> names;
  for (const auto& n : e.ChildNodes())
    if (n.AsElement()) names.push_back(n.Name());
  return names;
}

}  // namespace

TEST(ListXml, EmptyArraysGiveTheRootAlone) {
  EXPECT_EQ(DocumentList({}), kHead + "<kxDocuments/>");
  EXPECT_EQ(BlobList({}), kHead + "<kxBlobs/>");
}

TEST(ListXml, DocumentList) {
  TDocumentQueueRecord a;
  a.Id = TIdType("A1");
  a.CreationDate = EncodeDateTime(2024, 1, 1, 12, 0, 0, 0);
  a.BlobCount = 0;
  a.Blobs.resize(2);  // the field counts, not the array
  a.Subject = u"Invoice \x01<4711> & \u00e4";
  a.Messages = u"";
  TDocumentQueueRecord b;  // nothing set: date 0, no id
  b.BlobCount = 3;
  b.Messages = u"line\r\nnext";
  const std::string xml = DocumentList({a, b});
  EXPECT_EQ(xml, kHead +
                     "<kxDocuments>"
                     "<Document Id=\"A1\" Date=\"000B4646h02932E00h\" Blobs=\"0\">"
                     "<Subject>Invoice  &lt;4711&gt; &amp; \xC3\xA4</Subject><Messages/></Document>"
                     "<Document Id=\"\" Date=\"000A955Ah00000000h\" Blobs=\"3\">"
                     "<Subject/><Messages>line\r\nnext</Messages></Document>"
                     "</kxDocuments>");
  EXPECT_EQ(kx::platform::XmlLintComplaint(xml), "");
  const XmlDocument doc = XmlDocument::Load(xml);
  for (kx::platform::XmlNode n = doc.DocumentElement().FirstChild(); n; n = n.NextSibling()) {
    EXPECT_EQ(n.Name(), u"Document");
    EXPECT_EQ(AttributeNames(n.AsElement()), (std::vector<UnicodeString>{u"Id", u"Date", u"Blobs"}));
    EXPECT_EQ(ChildNames(n.AsElement()), (std::vector<UnicodeString>{u"Subject", u"Messages"}));
  }
}

TEST(ListXml, BlobList) {
  TkxBlob a;
  a.Id = "OWNID";  // not written: the list names the reference
  a.BlobRefId = "A1-1";
  a.TackId = "T\x02";
  a.SortId = -4;
  a.Extension = u".pdf";
  a.DocType = u"in\"voice";
  a.MimeType = u"application/pdf";
  a.BlobSize = 5000000000;
  a.BlobDate = EncodeDateTime(2024, 1, 1, 12, 0, 0, 0);
  a.State = kxQS_OnHold;
  a.BlobName = u"scan\x1F<1>.pdf";
  TkxBlob b;  // nothing set
  b.Id = "OWNID";
  const std::string xml = BlobList({a, b});
  EXPECT_EQ(xml, kHead +
                     "<kxBlobs>"
                     "<Blob Id=\"A1-1\" TackId=\"T \" SortId=\"-4\" Extension=\".pdf\" "
                     "DocType=\"in&quot;voice\" MimeType=\"application/pdf\" Size=\"5000000000\" "
                     "Date=\"000B4646h02932E00h\" State=\"ONHOLD\">scan &lt;1&gt;.pdf</Blob>"
                     "<Blob Id=\"\" TackId=\"\" SortId=\"0\" Extension=\"\" DocType=\"\" MimeType=\"\" "
                     "Size=\"0\" Date=\"000A955Ah00000000h\" State=\"IMPORT\"/>"
                     "</kxBlobs>");
  EXPECT_EQ(kx::platform::XmlLintComplaint(xml), "");
  const XmlDocument doc = XmlDocument::Load(xml);
  const std::vector<UnicodeString> attributes = {u"Id",       u"TackId",   u"SortId",
                                                 u"Extension", u"DocType", u"MimeType",
                                                 u"Size",     u"Date",     u"State"};
  for (kx::platform::XmlNode n = doc.DocumentElement().FirstChild(); n; n = n.NextSibling())
    EXPECT_EQ(AttributeNames(n.AsElement()), attributes);
}

TEST(ListXml, AFailureEmptiesTheTextAndSaysWhy) {
  TDocumentQueueRecord q;
  q.CreationDate = TDateTime(1e12);  // beyond any time stamp
  AnsiString xml = "old";
  UnicodeString message;
  EXPECT_FALSE(kxQueueManager::CreateDocumentListXML({q}, xml, message));
  EXPECT_EQ(xml, "");
  EXPECT_EQ(ToUtf8(message).rfind("error creating document list xml (", 0), 0u) << ToUtf8(message);
  EXPECT_EQ(message.back(), u')');

  TkxBlob blob;
  blob.BlobDate = TDateTime(-1e12);
  TkxQueueTools tools;
  xml = "old";
  EXPECT_FALSE(tools.CreateBlobListXML({blob}, xml));
  EXPECT_EQ(xml, "");
  EXPECT_EQ(ToUtf8(tools.Message).rfind("error creating blob list xml (", 0), 0u);
  EXPECT_TRUE(tools.CreateDocumentListXML({}, xml));
  EXPECT_EQ(xml, kHead + "<kxDocuments/>");
}
