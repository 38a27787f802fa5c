#include "export/kxQueueManager_MetaBuffers.h"

#include <gtest/gtest.h>

#include "platform/rtl/Exceptions.h"
#include "platform/xml/XmlDocument.h"

namespace {

// Runs F, which must raise an exception of class Class whose message starts
// with Prefix.
template <class F>
void ExpectRaises(F&& Fn, const UnicodeString& Class, const UnicodeString& Prefix) {
  try {
    Fn();
    ADD_FAILURE() << "no exception, expected " << ToUtf8(Prefix);
  } catch (const Exception& e) {
    EXPECT_EQ(e.ClassName(), Class) << ToUtf8(e.Message);
    EXPECT_EQ(e.Message.substr(0, Prefix.size()), Prefix);
  }
}

TRelRect Zone(double l, double t, double w, double h) {
  return {l, t, l + w, t + h, w, h};
}

}  // namespace

TEST(ParseMetaDataBuffer, FieldsWithAttributesAndAlternatives) {
  const AnsiString buffer =
      "<Meta>"
      "<Total DataType=\"DOUBLE\" Confidence=\"120\" Page=\"2\" Zone=\"1,2,3,4\" "
      "ExternalId=\"SUM\" Alternatives=\"2\">12.50</Total>"
      "<Total><Alternatives><A0 DataType=\"INT\" Confidence=\"40.5\">13</A0>"
      "</Alternatives></Total>"
      "<amount>7</amount><Amount>8</Amount>"
      "<Code ExternalId=\"\" Confidence=\"\">X</Code>"
      "<F Name=\"Deep/Inner\">1</F>"
      "</Meta>";
  const TkxMetaData fields = ParseMetaDataBuffer(buffer);
  ASSERT_EQ(fields.size(), 4u);

  // Sorted without regard to case; Amount and amount are one field.
  EXPECT_EQ(fields[0].IntField, u"amount");
  EXPECT_EQ(fields[0].Value, u"7");
  EXPECT_EQ(fields[0].ExtField, u"amount");
  EXPECT_EQ(fields[0].VarType, 8);
  EXPECT_EQ(fields[0].Confidence, 100);
  EXPECT_TRUE(fields[0].Alternatives.empty());

  // An empty ExternalId stays empty; an empty Confidence reads as 0.
  EXPECT_EQ(fields[1].IntField, u"Code");
  EXPECT_EQ(fields[1].ExtField, u"");
  EXPECT_EQ(fields[1].Confidence, 0);

  // Only deeper parameters: an empty field.
  EXPECT_EQ(fields[2], TkxMetaField());

  const TkxMetaField& total = fields[3];
  EXPECT_EQ(total.IntField, u"Total");
  EXPECT_EQ(total.ExtField, u"SUM");
  EXPECT_EQ(total.Value, u"12.50");
  EXPECT_EQ(total.VarType, 5);
  EXPECT_EQ(total.VarValue.VarType(), 5);
  EXPECT_EQ(total.VarValue.ToDouble(), 12.5);
  EXPECT_EQ(total.Confidence, 100);  // capped
  EXPECT_EQ(total.Page, 2);
  EXPECT_EQ(total.Zone, Zone(1, 2, 3, 4));
  ASSERT_EQ(total.Alternatives.size(), 2u);
  EXPECT_EQ(total.Alternatives[0].Value, u"13");
  EXPECT_EQ(total.Alternatives[0].VarType, 3);
  EXPECT_EQ(total.Alternatives[0].Confidence, 40.5);
  EXPECT_EQ(total.Alternatives[1], TkxAlternativeValue());  // no parameter A1
}

TEST(ParseMetaDataBuffer, AlternativesOnlyWhenCounted) {
  const TkxMetaData fields = ParseMetaDataBuffer(
      "<M><Total>1</Total><Total><Alternatives><A0>2</A0></Alternatives></Total></M>");
  ASSERT_EQ(fields.size(), 1u);
  EXPECT_TRUE(fields[0].Alternatives.empty());
  EXPECT_TRUE(ParseMetaDataBuffer("").empty());
}

TEST(ParseMetaDataBuffer, Failures) {
  ExpectRaises([] { ParseMetaDataBuffer("<Meta><a>1</Meta>"); }, u"Exception",
               u"metadata xml parser exception (");
  ExpectRaises([] { ParseMetaDataBuffer("<M><a Alternatives=\"1.5\">1</a></M>"); },
               u"EVariantTypeCastError", u"");
  ExpectRaises([] { ParseMetaDataBuffer("<M><a Alternatives=\"x\">1</a></M>"); },
               u"EVariantTypeCastError", u"");
  // A count no buffer of this size could describe would only exhaust memory.
  ExpectRaises([] { ParseMetaDataBuffer("<M><a Alternatives=\"2000000000\">1</a></M>"); },
               u"EConvertError", u"invalid number of alternatives 2000000000");
  ExpectRaises([] { ParseMetaDataBuffer("<M><a Alternatives=\"-1\">1</a></M>"); },
               u"EConvertError", u"invalid number of alternatives -1");
}

TEST(ParseMetaTableDataBuffer, HeaderRowsAndCells) {
  const AnsiString buffer =
      "<Table>"
      "<Header><C ExternalId=\"POS\" DataType=\"INT\">Pos</C><C>Text</C>"
      "<C ExternalId=\"\" DataType=\"DOUBLE\">Price</C></Header>"
      "<Rows>"
      "<R Confidence=\"150\" Page=\"3\" Zone=\"1,1,2,2\">"
      "<Cell Id=\"0\" Confidence=\"70\" Page=\"4\" Zone=\"5,6,7,8\">1</Cell>"
      "<Cell Id=\"2\">9,5</Cell><Cell Id=\"5\">skipped</Cell>"
      "<Cell Id=\"1\">first</Cell><Cell Id=\"1\">second</Cell>"
      "</R>"
      "<R Confidence=\"95.5\" Page=\"x\"/>"
      "</Rows></Table>";
  const TkxMetaTableData t = ParseMetaTableDataBuffer(buffer);
  ASSERT_EQ(t.Header.size(), 3u);
  EXPECT_EQ(t.Header[0], (TkxMetaTableDataHeaderField{u"Pos", u"POS", 3}));
  EXPECT_EQ(t.Header[1], (TkxMetaTableDataHeaderField{u"Text", u"Text", 8}));
  EXPECT_EQ(t.Header[2], (TkxMetaTableDataHeaderField{u"Price", u"", 5}));

  ASSERT_EQ(t.Rows.size(), 2u);
  const TkxMetaTableDataRow& r = t.Rows[0];
  EXPECT_EQ(r.Confidence, 100);
  EXPECT_EQ(r.Page, 3);
  EXPECT_EQ(r.Zone, Zone(1, 1, 2, 2));
  ASSERT_EQ(r.Columns.size(), 3u);
  EXPECT_EQ(r.Columns[0].Value.ToInt64(), 1);
  EXPECT_EQ(r.Columns[0].Confidence, 70);
  EXPECT_EQ(r.Columns[0].Page, 4);
  EXPECT_EQ(r.Columns[0].Zone, Zone(5, 6, 7, 8));
  EXPECT_EQ(r.Columns[1].Value.ToString(), u"second");  // the later cell wins
  EXPECT_EQ(r.Columns[1].Confidence, 100);
  EXPECT_EQ(r.Columns[2].Value.ToDouble(), 9.5);

  // Whole-number reading of row attributes: a fraction gives -1, text too.
  EXPECT_EQ(t.Rows[1].Confidence, -1);
  EXPECT_EQ(t.Rows[1].Page, -1);
  EXPECT_EQ(t.Rows[1].Columns.size(), 3u);
  EXPECT_TRUE(t.Rows[1].Columns[0].Value.IsEmpty());
}

TEST(ParseMetaTableDataBuffer, MissingPartsAndFailures) {
  EXPECT_EQ(ParseMetaTableDataBuffer(""), TkxMetaTableData());
  const TkxMetaTableData noRows = ParseMetaTableDataBuffer("<T><Header><C>A</C></Header></T>");
  EXPECT_EQ(noRows.Header.size(), 1u);
  EXPECT_TRUE(noRows.Rows.empty());
  const TkxMetaTableData noHeader =
      ParseMetaTableDataBuffer("<T><Rows><R><C Id=\"0\">x</C></R></Rows></T>");
  ASSERT_EQ(noHeader.Rows.size(), 1u);
  EXPECT_TRUE(noHeader.Rows[0].Columns.empty());

  ExpectRaises([] { ParseMetaTableDataBuffer("not xml"); }, u"EDOMParseError", u"");
  const char* badIds[] = {"<T><Header><C>A</C></Header><Rows><R><C>x</C></R></Rows></T>",
                          "<T><Header><C>A</C></Header><Rows><R><C Id=\"a\">x</C></R></Rows></T>",
                          "<T><Header><C>A</C></Header><Rows><R><C Id=\"0.5\"/></R></Rows></T>"};
  for (const char* b : badIds)
    EXPECT_THROW(ParseMetaTableDataBuffer(b), EVariantError) << b;
}

TEST(GetMetaTableAttribute, ConvertsToTheDefaultsType) {
  const auto doc = kx::platform::XmlDocument::Load("<e n=\"12\" f=\"12.5\" s=\"a,b\" z=\"\"/>");
  const auto e = doc.DocumentElement();
  EXPECT_EQ(GetMetaTableAttribute(e, "n", Variant::FromInteger(0)).ToInt64(), 12);
  EXPECT_EQ(GetMetaTableAttribute(e, "f", Variant::FromInteger(0)).ToInt64(), -1);
  EXPECT_EQ(GetMetaTableAttribute(e, "f", Variant::FromDouble(0)).ToDouble(), 12.5);
  EXPECT_EQ(GetMetaTableAttribute(e, "s", Variant::FromUString(u"")).ToString(), u"a,b");
  EXPECT_EQ(GetMetaTableAttribute(e, "missing", Variant::FromInteger(7)).ToInt64(), 7);
  EXPECT_EQ(GetMetaTableAttribute(e, "z", Variant::FromInteger(7)).ToInt64(), 0);
}
