#include "export/kxPluginTools.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/rtl/Variant.h"

namespace {

TEST(PluginToolsField, TextFormsAreReadAsDocumented) {
  struct Case {
    std::u16string text, name;
    TVarType type;
    std::u16string value;  // VarToStr of the value
    int32_t page;
    TRelRect zone;
    double confidence;
  };
  const Case cases[] = {
      {u"Amount[DOUBLE,2,10,20,30,40,95]=12.5", u"Amount", varDouble, u"12.5", 2,
       {10, 20, 40, 60, 30, 40}, 95},
      {u"Amount[INT]=7", u"Amount", varInteger, u"7", 0, {}, 100},
      {u"Amount[INT,3]=7", u"Amount", varInteger, u"7", 3, {}, 0},  // missing items are 0
      {u" Amount [INT]=7", u"Amount", varInteger, u"7", 0, {}, 100},
      {u"\tAmount\x01[]=x", u"Amount", varOleStr, u"x", 0, {}, 100},  // control characters too
      {u" Amount =7", u" Amount ", varOleStr, u"7", 0, {}, 100},  // no bracket: not trimmed
      {u"no equals sign", u"", varOleStr, u"no equals sign", 0, {}, 100},
      {u"A=b=c", u"A", varOleStr, u"b=c", 0, {}, 100},
      {u"A[,0,0,0,0,0,250]=x", u"A", varOleStr, u"x", 0, {}, 100},
      {u"A[,0,0,0,0,0,-5]=x", u"A", varOleStr, u"x", 0, {}, -5},
      {u"A[,0,0,0,0,0,90.0]=x", u"A", varOleStr, u"x", 0, {}, 90},
      {u"A[,0,0,0,0,0,90.5]=x", u"A", varOleStr, u"x", 0, {}, 0},
      {u"A[NOSUCHTYPE]=x", u"A", varOleStr, u"x", 0, {}, 100},
      {u"A[INT=7", u"A", varOleStr, u"7", 0, {}, 100},  // no "]": empty bracket
  };
  for (const auto& c : cases) {
    TkxPluginTools tools;
    ASSERT_TRUE(tools.AddField(c.text)) << ToUtf8(c.text);
    ASSERT_EQ(tools.Fields.size(), 1u);
    const TkxPluginField& f = tools.Fields[0];
    EXPECT_TRUE(f.Active);
    EXPECT_EQ(f.Name, c.name) << ToUtf8(c.text);
    EXPECT_EQ(f.DataType, c.type) << ToUtf8(c.text);
    EXPECT_EQ(VarToStr(f.Value), c.value) << ToUtf8(c.text);
    EXPECT_EQ(f.Page, c.page) << ToUtf8(c.text);
    EXPECT_EQ(f.Zone, c.zone) << ToUtf8(c.text);
    EXPECT_EQ(f.Confidence, c.confidence) << ToUtf8(c.text);
    EXPECT_EQ(tools.GetFieldName(c.text), c.name) << ToUtf8(c.text);
  }
}

TEST(PluginToolsField, ValueKeepsItsOwnTypeCodeBesideTheDataType) {
  TkxPluginTools tools;
  ASSERT_TRUE(tools.AddField(u"N[INT]=42"));
  EXPECT_EQ(tools.Fields[0].DataType, varInteger);
  EXPECT_EQ(tools.Fields[0].Value.VarType(), varInt64);
  ASSERT_TRUE(tools.AddField(u"Plain", u"text"));
  EXPECT_EQ(tools.Fields[1].DataType, varOleStr);
  EXPECT_EQ(tools.Fields[1].Confidence, 100);
  ASSERT_TRUE(tools.AddField(u"B", Variant::FromBoolean(true)));
  EXPECT_EQ(tools.Fields[2].DataType, varBoolean);
}

TEST(PluginToolsField, LookupAndRemovalIgnoreCaseAndKeepSlots) {
  TkxPluginTools tools;
  tools.AddField(u"Invoice=1");
  tools.AddField(u"invoice=2");
  EXPECT_EQ(tools.GetFieldValueByName(u"INVOICE", u"-"), u"1");
  EXPECT_TRUE(tools.RemoveFieldByName(u"INVOICE"));
  EXPECT_EQ(tools.GetFieldValueByName(u"Invoice", u"-"), u"2");
  EXPECT_EQ(tools.GetFieldCount(), 2);  // the removed slot still counts
  EXPECT_FALSE(tools.Fields[0].Active);
  EXPECT_EQ(tools.Fields[0].Name, u"");
  EXPECT_TRUE(tools.RemoveFieldByName(u"invoice"));
  EXPECT_FALSE(tools.RemoveFieldByName(u"invoice"));
  EXPECT_EQ(tools.GetFieldValueByName(u"invoice", u"-"), u"-");
  EXPECT_EQ(tools.GetFieldValueStr(u"a=b=c"), u"b=c");
  EXPECT_EQ(tools.GetFieldValueStr(u"abc"), u"abc");
}

TEST(PluginToolsTable, CellsGrowColumnsAndTypeThem) {
  TkxPluginTools tools;
  ASSERT_TRUE(tools.AddTableField(u"Total,3=17"));
  ASSERT_EQ(tools.Table.size(), 1u);
  EXPECT_EQ(tools.Table[0].Column, u"Total");
  EXPECT_EQ(tools.Table[0].DataType, varOleStr);
  ASSERT_EQ(tools.Table[0].Values.size(), 4u);
  EXPECT_EQ(tools.Table[0].Cells.size(), 4u);
  EXPECT_TRUE(tools.Table[0].Values[0].IsEmpty());
  EXPECT_EQ(tools.Table[0].Cells[3].Confidence, 100);

  ASSERT_TRUE(tools.AddTableField(u"Total[INT],1=5"));
  EXPECT_EQ(tools.Table[0].DataType, varInteger);
  EXPECT_EQ(tools.Table[0].Cells[1].Confidence, 0);  // a bracket always reads seven items

  ASSERT_TRUE(tools.AddTableField(u"Total[NULL],1=6"));  // 0 and 1 never change the type
  EXPECT_EQ(tools.Table[0].DataType, varInteger);
  EXPECT_EQ(VarToStr(tools.Table[0].Values[1]), u"6");  // replaces the earlier cell

  ASSERT_TRUE(tools.AddTableField(u"Total[INT,2,1,2,3,4,80],0=9"));
  EXPECT_EQ(tools.Table[0].Cells[0].Page, 2);
  EXPECT_EQ(tools.Table[0].Cells[0].Zone, (TRelRect{1, 2, 4, 6, 3, 4}));
  EXPECT_EQ(tools.Table[0].Cells[0].Confidence, 80);

  ASSERT_TRUE(tools.AddTableField(u" Total ,0=x"));  // the column name is not trimmed
  EXPECT_EQ(tools.Table.size(), 2u);
  ASSERT_TRUE(tools.AddTableField(u"New[EMPTY],0=x"));
  EXPECT_EQ(tools.Table[2].DataType, varNull);
}

TEST(PluginToolsTable, RowCountIsTheFirstColumnsLength) {
  TkxPluginTools tools;
  EXPECT_EQ(tools.GetTableRowCount(), 0);
  tools.AddTableField(u"A,0=x");
  tools.AddTableField(u"B,5=y");
  EXPECT_EQ(tools.GetTableRowCount(), 1);
  EXPECT_EQ(tools.Table[1].Values.size(), 6u);
}

// A row text that is no whole number in range must not land in row 0 and
// overwrite the real cell there, nor grow a column without bound.
TEST(PluginToolsTable, UnusableRowNumbersAreRefused) {
  const std::u16string refused[] = {u"A,x=bad",   u"A,-1=bad",     u"A,1.5=bad",
                                    u"A,.=bad",   u"A,1000001=bad", u"A[INT],abc=bad",
                                    u"A[INT]x=bad", u"A,99999999999999999999=bad",
                                    u"A[INT]=bad"};  // no "],": the row text is "NT]"
  for (const auto& text : refused) {
    TkxPluginTools tools;
    ASSERT_TRUE(tools.AddTableField(u"A,0=good"));
    EXPECT_FALSE(tools.AddTableField(text)) << ToUtf8(text);
    EXPECT_NE(tools.Message.find(u"add table field exception ("), std::u16string::npos);
    EXPECT_EQ(VarToStr(tools.Table[0].Values[0]), u"good") << ToUtf8(text);
    EXPECT_EQ(tools.Table[0].Values.size(), 1u) << ToUtf8(text);
  }
  const std::pair<std::u16string, size_t> accepted[] = {
      {u"A,=v", 0}, {u"A,2.0=v", 2}, {u"A[INT],1000000=5", 1000000}};
  for (const auto& [text, row] : accepted) {
    TkxPluginTools tools;
    EXPECT_TRUE(tools.AddTableField(text)) << ToUtf8(text);
    ASSERT_EQ(tools.Table.size(), 1u);
    EXPECT_EQ(tools.Table[0].Values.size(), row + 1) << ToUtf8(text);
    EXPECT_TRUE(tools.Message.empty());
  }
}

TEST(PluginToolsTable, RowTexts) {
  TkxPluginTools tools;
  ASSERT_TRUE(tools.AddTableRow(u"2=[1,10,20,30,40,95]"));
  ASSERT_EQ(tools.TableRows.size(), 3u);
  EXPECT_EQ(tools.TableRows[2].Row, 2);
  EXPECT_EQ(tools.TableRows[2].Page, 1);
  EXPECT_EQ(tools.TableRows[2].Zone, (TRelRect{10, 20, 40, 60, 30, 40}));
  EXPECT_EQ(tools.TableRows[2].Confidence, 95);

  EXPECT_FALSE(tools.AddTableRow(u"2=1,2"));
  EXPECT_EQ(tools.Message, u"add table row exception (invalid row data)");
  EXPECT_FALSE(tools.AddTableRow(u"x=[1]"));
  EXPECT_EQ(tools.Message, u"add table row exception ('x' is not a valid integer value)");
  EXPECT_FALSE(tools.AddTableRow(u"2[1]"));  // no "=": the row number's text is empty
  EXPECT_EQ(tools.Message, u"add table row exception ('' is not a valid integer value)");
  EXPECT_FALSE(tools.AddTableRow(u"-1=[1]"));
  EXPECT_FALSE(tools.AddTableRow(u"1000001=[1]"));
  EXPECT_EQ(tools.TableRows.size(), 3u);
  EXPECT_TRUE(tools.AddTableRow(u"0=[]"));
  EXPECT_TRUE(tools.Message.empty());
}

TEST(PluginToolsBlob, AddNameRemoveAndCount) {
  const std::string path = std::string(getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp") +
                           "/kxPluginTools_blob.bin";
  FILE* f = fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  fputs("12345", f);
  fclose(f);

  TkxPluginTools tools;
  EXPECT_FALSE(tools.SetBlobName(u"x", -1));  // no blob at all
  ASSERT_TRUE(tools.AddBlob(ToUtf16(path), RawByteString(), true));
  EXPECT_EQ(tools.Blobs[0].Size, 5);
  ASSERT_TRUE(tools.AddBlob(u"/no/such/file", RawByteString("abc"), u"named", u"pdf", false));
  EXPECT_EQ(tools.Blobs[1].Size, 3);  // the data's length wins
  ASSERT_TRUE(tools.AddBlob(u"/no/such/file", RawByteString(), u"n", false));
  EXPECT_EQ(tools.Blobs[2].Size, 0);  // a missing file is accepted

  tools.Message = u"kept";
  EXPECT_TRUE(tools.SetBlobName(u"last", -1));
  EXPECT_EQ(tools.Blobs[2].BlobName, u"last");
  EXPECT_TRUE(tools.SetBlobName(u"first", 0));
  EXPECT_FALSE(tools.SetBlobName(u"none", 3));
  EXPECT_EQ(tools.Message, u"kept");  // SetBlobName leaves Message alone

  EXPECT_TRUE(tools.RemoveBlobById(1));
  EXPECT_FALSE(tools.Blobs[1].Active);
  EXPECT_TRUE(tools.Blobs[1].FileName.empty());
  EXPECT_TRUE(tools.Blobs[1].BlobData.empty());
  EXPECT_FALSE(tools.RemoveBlobById(3));
  EXPECT_FALSE(tools.RemoveBlobById(-1));
  EXPECT_EQ(tools.GetBlobCount(), 3);
  std::remove(path.c_str());
}

TEST(PluginTools, ClearKeepsTableRows) {
  TkxPluginTools tools;
  EXPECT_EQ(tools.Version, "2.2.0");
  tools.AddField(u"a=1");
  tools.AddTableField(u"A,0=x");
  tools.AddTableRow(u"0=[1]");
  tools.AddBlob(u"f", RawByteString("x"), true);
  tools.Title = u"t";
  tools.AppName = u"a";
  tools.Message = u"old";
  EXPECT_TRUE(tools.Clear());
  EXPECT_TRUE(tools.Fields.empty());
  EXPECT_TRUE(tools.Table.empty());
  EXPECT_TRUE(tools.Blobs.empty());
  EXPECT_TRUE(tools.Title.empty());
  EXPECT_TRUE(tools.AppName.empty());
  EXPECT_TRUE(tools.Message.empty());
  EXPECT_EQ(tools.TableRows.size(), 1u);
}

}  // namespace
