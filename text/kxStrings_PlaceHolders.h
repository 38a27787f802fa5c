// text/kxStrings_PlaceHolders.h — place-holders in paths, new ids, and the
// compressed string format.
#pragma once

#include "platform/rtl/Text.h"
#include "system/kxTypes_Records.h"

namespace TkxStrings {

// ---- Place-holders ----------------------------------------------------------------

// Expands the default place-holders of Text, each written all in lower case
// or all in upper case ("%date", "%DATE"), one after the other in this order:
//   %timestamp (yyyymmddhhnnsszzz), %date (short date), %longdate,
//   %shortdate, %time (long time), %shorttime, %longtime, %dayname and %day
//   (weekday name), %month (month name), %year, %hour, %minute, %dddddd,
//   %ddddd, %dddd, %ddd, %dd, %d, %mmmm, %mmm, %mm, %m, %yyyy, %yy, %hh, %nn,
//   %ss, %zzz (the date-time format letters of the same name), %quarter (1-4),
//   %id (CreateId), %guid (CreateGuidStr), %username, %userprincipal
//   (TkxTools::GetUserNameEx(NameUserPrincipal)), %user, %computername,
//   %computer, %hostdnsfullqualified
//   (TkxTools::GetComputerNameEx(ComputerNameDnsFullyQualified)), %host.
// %username and %user give UserName, or TkxTools::GetUserName when it is
// empty; %computername, %computer and %host give HostName, or
// TkxTools::GetComputerName. Dates and times are the local clock, written
// with the process's format settings, each read from the clock anew.
//
// For each place-holder in turn every lower-case occurrence is first made
// upper case, then every upper-case occurrence is replaced by the value
// (made once, so two "%id" get the same id). Longer place-holders come
// before the shorter ones they begin with, so "%dddddd" or "%username" is
// never split; but any "%d" or "%D" left over is the day of the month:
//   CheckDefaultPlaceHolders(u"%Date", u"", u"") == u"15ate"  (on the 15th)
//   CheckDefaultPlaceHolders(u"C:\\out\\100%done\\", ...) == u"C:\\out\\10015one\\"
// A value is only made for a place-holder that occurs, and a text without
// "%" comes back at once.
UnicodeString CheckDefaultPlaceHolders(const UnicodeString& Text, const UnicodeString& UserName,
                                       const UnicodeString& HostName);

// ---- Ids --------------------------------------------------------------------------

// The same as TkxTools::CreateGuidStr and TkxTools::CreateId: a new braced
// upper-case GUID text, and its 32 hexadecimal digits alone.
AnsiString CreateGuidStr();
TIdType CreateId();

// ---- Compressed strings --------------------------------------------------------------

// One zlib stream (RFC 1950, level 9, so the header is 78 DA) of the content:
// the byte count of S as 4 bytes little-endian, then the bytes of S as they
// are. An empty S is the content 00 00 00 00. Raises EZCompressionError
// when zlib fails (out of memory) or S is 4 GiB or longer.
AnsiString CompressString(const AnsiString& S);

// The bytes that CompressString took. The stream is inflated to its end,
// checksum included; bytes after the stream are ignored, as are inflated
// bytes after the counted ones. Raises EZDecompressionError for input that
// is not a whole zlib stream (raw deflate data, gzip, plain text, a damaged
// or cut stream) and for content shorter than its 4-byte count says.
AnsiString DecompressString(const AnsiString& S);

}  // namespace TkxStrings
