// system/kxConfigTools.h — TkxConfigTools: configuration strings, the
// system's portable form of a set of named, typed settings.
//
// A configuration string is a UTF-8 XML document in an 8-bit string. The
// root element names the kind of configuration ("kxConfig"); every
// parameter is one element below it:
//
//   <?xml version="1.0" encoding="UTF-8"?>CR LF
//   <kxConfig FormatVersion="2.0" Compressed="false" Encoding="none">
//     <Priority Type="INT">4</Priority>
//     <_1st_value Name="1st value" Type="UCS2STR">a&amp;b</_1st_value>
//     <Export><Target Type="UCS2STR">x</Target></Export>
//   </kxConfig>                  (written without the indentation shown)
//
// The object holds the parameters as a list of slots (ConfigList): a slot
// is active (holds a parameter) or free. Parameters are added, replaced,
// looked up and deleted by name; BuiltConfigString writes the list,
// ParseConfigString reads a string back into it. The object is used by one
// thread at a time.
//
// Names. A parameter's name is a path of segments separated by "/"
// ("Export/Target"). Every operation stores a name with white space and
// control characters trimmed and one leading "/" removed, and compares
// names by their lookup key: the XML-safe name (blanks and ":" become "_",
// "_" goes in front of a segment that starts with a digit or, in any case,
// with "XML"), upper-cased with UpperText. So "ByRef", "byref" and
// "/ByRef " name the same parameter, and "1st value" is written as the
// element "_1st_value" with the attribute Name="1st value", from which the
// reader takes the name back.
//
// Failures. The writer and the reader put the reason into Message; the
// writer then raises the error again, the reader only when told to. The add,
// delete and lookup operations report by their result alone (-1, false or
// the default) and leave Message as it is.
//
// Change protection. With ChangeProtection the writer adds a Hash attribute
// to the root (32 upper-case hexadecimal digits of an MD5 over the names,
// value texts and extra attributes of the parameters and a fixed salt), and
// the reader refuses a string whose hash is missing or does not match
// ("change protection hash mismatch"). Line ends count as LF whatever they
// are, since a value's line breaks come back as CR LF. An element that only
// encloses the elements of a path (no text, no Type, no extra attribute)
// reads back as a parameter of its own, which the writer's list did not
// hold; the reader therefore also accepts the hash of the list without such
// parameters (without some of them, when an empty parameter written without
// Type encloses a path too).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/rtl/Object.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Text.h"
#include "platform/rtl/Variant.h"
#include "system/kxTypes_Records.h"

// One extra attribute of a parameter; Name is compared with case.
struct TkxAttribute {
  UnicodeString Name;
  Variant Value;
};
using TkxAttributes = std::vector<TkxAttribute>;

// One slot of the parameter list.
struct TkxConfigPart {
  bool Active = false;    // false: a free slot
  UnicodeString Param;    // the name as given, trimmed, one leading "/" removed
  UnicodeString SORTL;    // the lookup key of Param
  Variant Value;          // for a binary parameter an 8-bit string of raw bytes
  bool Binary = false;    // written as Base64 with Type="BINARY"
  TkxAttributes Attributes;  // extra attributes, in the order added or read
};
using TkxConfigList = std::vector<TkxConfigPart>;

// The format versions; the writer writes kxFV_20 ("2.0").
enum TkxCfgFormatVersion : uint8_t {
  kxFV_10,
  kxFV_11,
  kxFV_12,
  kxFV_13,
  kxFV_14,
  kxFV_15,
  kxFV_16,
  kxFV_17,
  kxFV_18,
  kxFV_20,
  kxFV_21,
  kxFV_Unknown
};

// The text of each format version but kxFV_Unknown, in the order above.
inline constexpr const char16_t* kxCfgFormatVersionTexts[] = {
    u"1.0", u"1.1", u"1.2", u"1.3", u"1.4", u"1.5", u"1.6", u"1.7", u"1.8", u"2.0", u"2.1"};
static_assert(sizeof kxCfgFormatVersionTexts / sizeof *kxCfgFormatVersionTexts == kxFV_Unknown);

class TkxConfigTools : public TObject {
 public:
  TkxConfigTools();
  ~TkxConfigTools() override;
  TkxConfigTools(const TkxConfigTools&) = delete;
  TkxConfigTools& operator=(const TkxConfigTools&) = delete;

  // The object's own list; operations without a list argument work on it.
  TkxConfigList ConfigList;
  // Why the last write or read failed; empty after a success.
  UnicodeString Message;
  // Several parameters may share a name. When false, adding a name that
  // exists replaces that parameter, and deleting removes only the first.
  bool AllowMultiParams = true;
  // The root element's name of the last configuration string read.
  UnicodeString RootNodeName;
  // The element name of every parameter when names are carried by attribute.
  UnicodeString DefaultNodeName = u"Field";
  // An extra attribute named "Name" may be added.
  bool AllowNameAttribute = false;
  // The writer adds the change-protection hash; the reader requires it.
  bool ChangeProtection = false;

  // ---- The list (system/kxConfigTools_Writer.cpp) ----------------------------

  // Frees and removes every slot of ConfigList; true.
  bool ClearConfig();
  // Sets the list's length to ItemCount: new slots are free, slots beyond
  // are cut off. A negative count changes nothing and gives false.
  bool InitList(TkxConfigList& CfgList, int32_t ItemCount);
  bool InitList(int32_t ItemCount);

  // Adds a parameter to ConfigList and answers its slot index, -1 for an
  // empty name. When AllowMultiParams is false or Replace is true, the
  // first parameter with the same key is replaced instead (its extra
  // attributes stay); otherwise the lowest free slot is taken, and when
  // there is none the list grows to 100 slots, then to twice its length.
  int32_t AddConfigParam(const UnicodeString& Param, const Variant& Value, bool Binary,
                         bool Replace);
  // The segments joined by GetPathString(Param, false), then as above.
  int32_t AddConfigParam(const TWideStringArray& Param, const Variant& Value, bool Binary,
                         bool Replace);
  // Always a new slot of CfgList, never a replacement.
  int32_t AddConfigParam(TkxConfigList& CfgList, const UnicodeString& Param, const Variant& Value,
                         bool Binary);
  // The bytes of the file FileName (8-bit, UTF-8) as a new binary parameter
  // of ConfigList; false for an empty name or a file that cannot be read.
  bool AddBlobConfigParam(const UnicodeString& Param, const AnsiString& FileName);

  // Appends the extra attribute (Attribute, Value) to the slot ConfigId
  // (active or not). "Type" in any case is refused, and so is "Name" in any
  // case unless AllowNameAttribute; an index outside the list gives false.
  // An attribute of exactly that name already there keeps its value, and
  // the answer is true.
  bool AddAttribute(TkxConfigList& CfgList, int32_t ConfigId, const UnicodeString& Attribute,
                    const Variant& Value);
  bool AddAttribute(int32_t ConfigId, const UnicodeString& Attribute, const Variant& Value);

  // The non-empty elements, each trimmed and without one leading "/",
  // every one with "/" in front (so an element of blanks adds a lone "/").
  // With Prepare the result is trimmed and loses one leading "/" again.
  //   GetPathString({u"A", u" /B", u""}, false) == u"/A/B"
  //   GetPathString({u"A", u"B"}, true) == u"A/B"
  UnicodeString GetPathString(const TWideStringArray& Param, bool Prepare);

  // ---- The writer (system/kxConfigTools_Writer.cpp) ----------------------------

  // The configuration string of the active slots of CfgList, root element
  // ConfigType. Compress: every value zlib-compressed (CompressString) and
  // Base64-encoded in lines of 76 characters joined by CR LF. Enhanced:
  // every parameter carries Type with the type name of its value (binary
  // ones always carry Type="BINARY"). NodeNameByAttrib: every parameter
  // element is named DefaultNodeName and carries its name in Name; a name
  // with "/" in any slot, free ones included, then fails with "node paths
  // and nodenamebyattribute is not supported".
  // On failure Message holds the reason and the error is raised again; on
  // success Message is emptied.
  AnsiString BuiltConfigString(const TkxConfigList& CfgList, const UnicodeString& ConfigType,
                               bool Compress, bool Enhanced, bool NodeNameByAttrib);
  AnsiString BuiltConfigString(const UnicodeString& ConfigType, bool Compress, bool Enhanced,
                               bool NodeNameByAttrib);
  // The configuration string of ConfigList (names as elements) into the
  // file FileName; false when the file cannot be written. Errors of the
  // writer are raised as by BuiltConfigString.
  bool SaveConfig(const UnicodeString& FileName, const UnicodeString& ConfigType, bool Compress,
                  bool Enhanced);

  // ---- The reader (system/kxConfigTools_Reader.cpp) ------------------------------

  // Reads Config into CfgList (emptied first) and its root element's name
  // into Root. A text of bytes at or below the blank only is an empty
  // configuration: true, and Root and Message stay as they are. Otherwise
  // true with Message emptied, or false with the reason in Message (raised
  // again with RaiseExceptions): a text that is not well-formed XML, a
  // compressed value that does not decode, a failed change-protection
  // check. After a failure the list holds what was read before it.
  // Every element is a parameter, one that encloses others too, before
  // them: <A><B>x</B></A> gives "A" (an empty text), then "A/B". Values
  // are read by their Type with StrToVarExt (a text as varUString); extra
  // attributes, and compressed values that are not binary, as varOleStr.
  bool ParseConfigString(TkxConfigList& CfgList, const AnsiString& Config, UnicodeString& Root,
                         bool RaiseExceptions);
  // Into ConfigList; RootNodeName takes Root afterwards.
  bool ParseConfigString(const AnsiString& Config, UnicodeString& Root, bool RaiseExceptions);
  // Into ConfigList and RootNodeName, never raising.
  bool ParseConfigString(const AnsiString& Config);
  // The bytes of the file, parsed as by the one-argument form; false (and
  // an empty list) when the file cannot be read. Never raises.
  bool LoadConfig(const UnicodeString& FileName);

  // "1.0" ... "1.8", "2.0", "2.1" exactly; any other text kxFV_Unknown.
  TkxCfgFormatVersion GetConfigFormatVersion(const UnicodeString& FStr);

  // ---- Lookups (system/kxConfigTools_Reader.cpp) ------------------------------------
  // A name matches the first active slot with its lookup key. The array
  // forms join their segments with GetPathString (Prepare true for
  // ConfigParamExists, DeleteConfigParam and GetNodeElements, false for the
  // others).

  bool ConfigParamExists(const UnicodeString& Param);
  bool ConfigParamExists(const TWideStringArray& Param);
  // The lowest index of a free slot with an empty Param; -1 when none.
  int32_t GetEmptyConfigParam();
  // A copy of the value; an empty wide string when the name is unknown.
  Variant GetConfigParam(const UnicodeString& Param);
  // The value, or Default when the name is unknown. A value whose text is
  // empty (an empty text, Null, Empty) gives Default only when Default is a
  // number, a date or a Boolean (types 2 to 7, 11 and 17 to 20), so a
  // stored empty text stays empty when a text is asked for.
  Variant GetConfigParam(const UnicodeString& Param, const Variant& Default);
  Variant GetConfigParam(const TkxConfigList& CfgList, const UnicodeString& Param,
                         const Variant& Default);
  Variant GetConfigParam(const TkxConfigList& CfgList, const TWideStringArray& Param,
                         const Variant& Default);
  Variant GetConfigParam(const TWideStringArray& Param, const Variant& Default);
  // The slot index of the name; -1 when none.
  int32_t GetConfigParamListId(const UnicodeString& Param);
  // Frees the first parameter of that name, or with AllowMultiParams all of
  // them (name, key, value and extra attributes cleared); true when one was.
  bool DeleteConfigParam(const UnicodeString& Param);
  bool DeleteConfigParam(const TWideStringArray& Param);

  // The value of the first extra attribute named Attribute exactly of the
  // slot ConfigId (active or not) whose text is not empty, or with
  // AcceptEmptyAttributeValue simply the first one; Default when there is
  // none or the index lies outside the list.
  Variant GetAttribute(int32_t ConfigId, const UnicodeString& Attribute, const Variant& Default,
                       bool AcceptEmptyAttributeValue);
  // The same for the slot of the parameter Param.
  Variant GetAttribute(const UnicodeString& Param, const UnicodeString& Attribute,
                       const Variant& Default, bool AcceptEmptyAttributeValue);
  // The number of active slots.
  int32_t GetListSize();

  // Below a path: the parameter at Path and those whose key begins with
  // Path's key followed by "/" (so "A" takes "A/B" but not "AB"); an empty
  // Path (or "/") takes every parameter.
  //
  // Copies the parameters below Path into CfgList (emptied first), values
  // and attributes included; unless KeepOrgPath, their names lose Path and
  // its separator ("A/B/C" below "A" becomes "B/C"). True.
  bool GetConfigList(const UnicodeString& Path, TkxConfigList& CfgList, bool KeepOrgPath);
  bool GetConfigList(const TWideStringArray& Path, TkxConfigList& CfgList, bool KeepOrgPath);
  // Adds the first segment after Path of every parameter below it to List,
  // which is made sorted (by the locale's collation), case-insensitive and
  // ignoring duplicates; its entries stay. GetFullPath puts Path + "/" in
  // front. The parameter at Path itself adds the empty name. True.
  bool GetNodeElements(const UnicodeString& Path, TStrings& List, bool GetFullPath);
  bool GetNodeElements(const TWideStringArray& Path, TStrings& List);
  std::unique_ptr<TStringList> GetNodeElements(const TWideStringArray& Path);

 private:
  static UnicodeString TrimPathSlashes(const UnicodeString& S);
  static void SplitConfigPath(const UnicodeString& S, TWideStringArray& List);
  static UnicodeString GetSafeNodeName(const UnicodeString& S);
  static UnicodeString GetSafeNodeNameEx(const UnicodeString& S, bool& Changed);
  static UnicodeString PrefixNumericName(const UnicodeString& S);
  static UnicodeString PrefixXmlName(const UnicodeString& S);
  static UnicodeString LookupKey(const UnicodeString& Name);
  // The lowest free slot, growing the list when there is none. A caller
  // that fills slots in order passes From, below which no slot is free.
  static int32_t GetFreeConfigPart(TkxConfigList& CfgList, size_t From = 0);
  static void TrimConfigList(TkxConfigList& CfgList);
  static bool HasPathParams(const TkxConfigList& CfgList);
  static int32_t FindParam(const TkxConfigList& CfgList, const UnicodeString& Key);
  static UnicodeString PrepareConfigValue(const Variant& Value);
  static UnicodeString GetChangeProtectionSalt();
  static AnsiString GetChangeProtectionHash(const TkxConfigList& CfgList);
  // 0 the stored hash matches, 1 it differs, 2 it is empty after trimming.
  static int32_t CheckChangeProtectionHash(const UnicodeString& Stored,
                                           const TkxConfigList& CfgList);
  static UnicodeString ElementValueText(const Variant& Value, bool Enhanced);
  static UnicodeString AttributeValueText(const Variant& Value);
  static bool IsBelowPath(const TkxConfigPart& Part, const UnicodeString& Key, size_t Length);
};
