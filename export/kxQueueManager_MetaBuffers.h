// export/kxQueueManager_MetaBuffers.h — the two text forms in which a queue
// record can carry its index fields and its table (MetaDataBuffer and
// MetaTableDataBuffer), and their readers. Both buffers come from outside
// the system. Neither reader changes a record: the caller assigns the result.
//
// Field buffer: a configuration string (TkxConfigTools; any root name). Each
// parameter without "/" is a field: its value is the field's text, with the
// optional attributes "ExternalId" (default: the name), "DataType" (a type
// name, default text), "Confidence" (default 100, capped at 100), "Page"
// (default 0), "Zone" ("Left,Top,Width,Height", default "0,0,0,0") and
// "Alternatives" (a count, default 0). Alternative j of field N is the
// parameter "N/Alternatives/Aj" with the same attributes but "ExternalId".
// An attribute present with an empty value counts as empty, not as absent.
//
//   <Meta><Total DataType="DOUBLE" Confidence="120" Alternatives="1">12.50</Total>
//         <Total><Alternatives><A0>12.60</A0></Alternatives></Total></Meta>
//
// Table buffer: an XML document whose root has the children "Header" (one
// element per column: its text the Name, attributes "ExternalId" and
// "DataType") and "Rows" (one element per row, attributes "Confidence",
// "Page", "Zone"; each child a cell whose attribute "Id" is the 0-based
// column index, whose text is the value, with the row's attributes).
#pragma once

#include "platform/rtl/Text.h"
#include "platform/rtl/Variant.h"
#include "platform/xml/XmlDocument.h"
#include "system/kxTypes_Records.h"

// The fields of a field buffer, one per distinct first name segment, in the
// order of a case-insensitive, collated sort of the names (not document
// order); names that differ only in case are one field. A name that occurs
// only in front of deeper parameters gives an empty field (VarType 0). An
// empty buffer gives no fields.
// Raises Exception "metadata xml parser exception (" + reason + ")" for a
// buffer that does not parse, the variant conversion error for an
// "Alternatives" that is not a whole number, and EConvertError "invalid
// number of alternatives " + count for a negative count or one larger than
// the buffer could describe (above its length in bytes).
TkxMetaData ParseMetaDataBuffer(const AnsiString& Buffer);

// The table of a table buffer; an empty buffer gives an empty table. A row
// has a slot per header column; cells whose "Id" lies outside the columns
// are skipped, and a later cell with the same "Id" replaces an earlier one.
// Raises the XML parser's error (with line and column) for text that is not
// well-formed, and the variant conversion error for a cell whose "Id" is
// missing or not a whole number.
TkxMetaTableData ParseMetaTableDataBuffer(const AnsiString& Buffer);

// Node's attribute AttributeName converted by TkxTypes::StrToVarExt to the
// type of Default; Default when Node has no such attribute. So an integer
// Default reads "12" as 12 and "12.5" as -1.
Variant GetMetaTableAttribute(const kx::platform::XmlElement& Node, const AnsiString& AttributeName,
                              const Variant& Default);
