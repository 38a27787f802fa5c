#include "environment/kxNet_Filters.h"

#include <new>
#include <string_view>
#include <vector>

#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/NumberText.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Trim.h"
#include "system/kxTypes_Variant.h"

namespace TkxNet {

namespace {

// ---- Style place-holders -------------------------------------------------------------

constexpr size_t kStyleDepth = 16;

// ---- Style sheets and scripts --------------------------------------------------------

constexpr std::u16string_view kCRLF = u"\r\n";
constexpr std::u16string_view kKeptPrefix = u"<###LicenseReplacer";
constexpr std::u16string_view kKeptSuffix = u"###>";

UnicodeString Trimmed(std::u16string_view Text) { return UnicodeString(TrimBlanks(Text)); }

// Puts the kept comments back in place of their place-holders, each
// between CR LF pairs. Other texts that look like place-holders stay.
UnicodeString RestoreKept(const UnicodeString& Text, const std::vector<UnicodeString>& Kept) {
  if (Kept.empty()) return Text;
  UnicodeString out;
  out.reserve(Text.size());
  size_t from = 0;
  for (size_t at = Text.find(kKeptPrefix); at != UnicodeString::npos;
       at = Text.find(kKeptPrefix, from)) {
    size_t digits = at + kKeptPrefix.size();
    size_t number = 0;
    const size_t first = digits;
    while (digits < Text.size() && Text[digits] >= u'0' && Text[digits] <= u'9' &&
           digits - first < 9) {
      number = number * 10 + (Text[digits] - u'0');
      ++digits;
    }
    const bool canonical = digits > first && Text[first] != u'0';
    if (canonical && number <= Kept.size() &&
        std::u16string_view(Text).substr(digits, kKeptSuffix.size()) == kKeptSuffix) {
      out.append(Text, from, at - from);
      out += kCRLF;
      out += Kept[number - 1];
      out += kCRLF;
      from = digits + kKeptSuffix.size();
    } else {
      out.append(Text, from, at + 1 - from);
      from = at + 1;
    }
  }
  out.append(Text, from);
  return out;
}

// Removes every comment "/*" ... "*/" from the start until none is left:
// a comment taken out may bring a "/" and a "*" together into a new one.
// One pass, since only that junction can start a new comment before the
// scan position.
UnicodeString RemoveComments(const UnicodeString& Text) {
  UnicodeString out;
  out.reserve(Text.size());
  size_t i = 0;
  for (;;) {
    const bool junction = !out.empty() && out.back() == u'/' && i < Text.size() && Text[i] == u'*';
    size_t searchFrom;
    if (junction) {
      searchFrom = i + 1;
    } else {
      const size_t open = Text.find(u"/*", i);
      if (open == UnicodeString::npos) break;
      out.append(Text, i, open - i);
      i = open;
      searchFrom = open + 2;
    }
    const size_t close = Text.find(u"*/", searchFrom);
    if (close == UnicodeString::npos) break;  // no comment ends: none is one
    if (junction) out.pop_back();
    i = close + 2;
  }
  out.append(Text, i);
  return out;
}

// The operator context of the scripts: what may stand before a regular
// expression.
bool IsOperatorAt(std::u16string_view Text, size_t At) {
  static constexpr std::u16string_view kOperators = u"*(,=:[!&|?+-~{;";
  if (At >= Text.size()) return false;
  return kOperators.find(Text[At]) != std::u16string_view::npos || Text.substr(At, 6) == u"return";
}

// Whether a "/" after Text starts a regular expression: the last character
// that is no blank (U+0020; nothing else counts as one) is an operator, or
// the "r" five characters before a final "n" begins "return". A text of
// blanks alone starts one.
bool StartsRegex(std::u16string_view Text) {
  const size_t last = Text.find_last_not_of(u' ');
  if (last == std::u16string_view::npos) return true;
  size_t at = last;
  if (Text[at] == u'n' && at >= 5) at -= 5;
  return IsOperatorAt(Text, at);
}

// ---- Cross-site scripting -----------------------------------------------------------

constexpr char16_t kFullList[] =
    u"\"document.cookie\",\"base64\",\".fromCharCode\",\"<applet\",\"<body\",\"<embed\","
    u"\"<frame\",\"<html\",\"<iframe\",\"<img\",\"<style\",\"<layer\",\"<link\",\"<ilayer\","
    u"\"<meta\",\"<object\",\"<table\",\"SRC=\",\"<svg/\",\"onload\",\"script:\","
    u"\"javascript\",\"<script\",\"redirect3\",\"<metahttp-equiv\",\"set-cookie\",\"charset\","
    u"\"href=\",\"$_get[\"";
constexpr char16_t kShortList[] =
    u"\"&{\",\"script:\",\"javascript\",\"<script\",\"document.cookie\",\"base64\","
    u"\".fromCharCode\",\"<applet\",\"redirect3\",\"$_get[\"";

[[noreturn]] void RaiseAttack() { throw Exception("found possible XSS attack!"); }

// Two lower-case hexadecimal digits.
UnicodeString Hex2(int Value) {
  static constexpr char16_t kDigits[] = u"0123456789abcdef";
  return {kDigits[(Value >> 4) & 0xF], kDigits[Value & 0xF]};
}

// The references of the copy to be normalised: every one begins with "#",
// whose places are taken once and again only after a replace that found
// something. Only ASCII units have the upper-case forms of a reference's
// letters, so comparing ASCII letters without regard to case is the
// case-insensitive replace.
class References {
 public:
  explicit References(UnicodeString& Copy) : copy_(Copy) { Locate(); }

  bool Any() const { return !hashes_.empty(); }

  // Every Reference ("#" and ASCII digits or letters), left to right and
  // not overlapping, replaced by the character n.
  void Replace(std::u16string_view Reference, int n) {
    UnicodeString out;
    size_t done = 0;
    for (const size_t at : hashes_) {
      if (at < done || !At(at, Reference)) continue;
      if (out.empty()) out.reserve(copy_.size());
      out.append(copy_, done, at - done);
      out += static_cast<char16_t>(n);
      done = at + Reference.size();
    }
    if (done == 0) return;
    out.append(copy_, done);
    copy_ = std::move(out);
    Locate();
  }

 private:
  void Locate() {
    hashes_.clear();
    for (size_t at = copy_.find(u'#'); at != UnicodeString::npos; at = copy_.find(u'#', at + 1)) {
      hashes_.push_back(at);
    }
  }

  bool At(size_t Place, std::u16string_view Reference) const {
    if (copy_.size() - Place < Reference.size()) return false;
    const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
    for (size_t k = 1; k < Reference.size(); ++k) {
      if (lower(copy_[Place + k]) != lower(Reference[k])) return false;
    }
    return true;
  }

  UnicodeString& copy_;
  std::vector<size_t> hashes_;
};

// The copy the words are searched in (see the header).
UnicodeString Normalised(const UnicodeString& Text) {
  // "00000", "0000", "000", "00", ";" and "&" removed, in that order. The
  // zeros' passes leave of a run of n zeros one when n mod 5 is 1 and none
  // otherwise (runs never meet: what lies between them stays until the
  // zeros are done), and removing ";" or "&" brings in neither: one pass.
  UnicodeString copy;
  copy.reserve(Text.size());
  for (size_t i = 0; i < Text.size();) {
    const char16_t c = Text[i];
    if (c == u'0') {
      const size_t run = std::u16string_view(Text).find_first_not_of(u'0', i);
      const size_t length = (run == std::u16string_view::npos ? Text.size() : run) - i;
      if (length % 5 == 1) copy += u'0';
      i += length;
      continue;
    }
    if (c != u';' && c != u'&') copy += c;
    ++i;
  }
  copy = LowerText(copy);
  // Only "#35" brings a "#" in; once none is left, nothing matches.
  References refs(copy);
  for (int n = 35; n <= 90 && refs.Any(); ++n) {
    refs.Replace(u"#" + IntToStr(n), n);
    refs.Replace(u"#0" + IntToStr(n), n);
    refs.Replace(u"#x" + Hex2(n), n);
  }
  for (int n = 97; n <= 122 && refs.Any(); ++n) {
    refs.Replace(u"#" + IntToStr(n), n);
    refs.Replace(u"#x" + Hex2(n), n);
  }
  return copy;
}

}  // namespace

bool PrepareXMLString(UnicodeString& Data, bool IsCData) {
  try {
    UnicodeString out;
    out.reserve(Data.size());
    for (char16_t c : Data) {
      if (c < 32 && c != u'\n' && c != u'\r') c = u' ';
      if (IsCData) {
        out += c;
        continue;
      }
      switch (c) {
        case u'&': out += u"&amp;"; break;
        case u'<': out += u"&lt;"; break;
        case u'>': out += u"&gt;"; break;
        case u'"': out += u"&quot;"; break;
        case u'\'': out += u"&apos;"; break;
        default: out += c;
      }
    }
    Data = std::move(out);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

AnsiString ApplyStyle(const TkxDictionary<UnicodeString, Variant>& StyleDefinition,
                      const AnsiString& CSSorJavaScript) {
  AnsiString text = CSSorJavaScript;
  // The ends of the values brought in that hold the search position,
  // outermost first; their count is the depth of what is searched.
  std::vector<size_t> inserted;
  size_t from = 0;
  for (;;) {
    const size_t start = text.find("[@", from);
    if (start == AnsiString::npos) break;
    const size_t close = text.find(']', start + 2);
    if (close == AnsiString::npos) break;  // no later "[@" has a "]" either
    from = start + 1;
    while (!inserted.empty() && inserted.back() <= start) inserted.pop_back();
    const size_t open = text.find('(', start + 2);
    if (open > close || inserted.size() >= kStyleDepth) continue;

    const UnicodeString name = ToUtf16(AsciiUpper(std::string_view(text).substr(start + 2, open - start - 2)));
    AnsiString value;
    Variant found;
    if (StyleDefinition.TryGetValue(name, found)) {
      value = ToUtf8(TkxTypes::VarToStr(found));
    } else if (close > open + 1 && text[close - 1] == ')') {
      value = text.substr(open + 1, close - open - 2);
    }
    const size_t length = close - start + 1;
    text.replace(start, length, value);
    const size_t end = start + value.size();
    for (size_t& e : inserted) e = e > close ? e - length + value.size() : end;
    inserted.push_back(end);
  }
  return text;
}

UnicodeString CompressCSS(const UnicodeString& CSS) {
  // 1. The kept comments out, one by one from the start.
  std::vector<UnicodeString> kept;
  UnicodeString text;
  text.reserve(CSS.size());
  size_t from = 0;
  for (;;) {
    const size_t open = CSS.find(u"/*!", from);
    const size_t close = open == UnicodeString::npos ? open : CSS.find(u"*/", open + 3);
    if (close == UnicodeString::npos) break;
    text.append(CSS, from, open - from);
    kept.push_back(CSS.substr(open, close + 2 - open));
    text += kKeptPrefix;
    text += IntToStr(static_cast<int32_t>(kept.size()));
    text += kKeptSuffix;
    from = close + 2;
  }
  text.append(CSS, from);

  // 2. and 3. One line, each trimmed line followed by one blank.
  // The string list splits at CR LF, LF and a lone CR (so turning every
  // line break into CR LF first changes nothing); a final line break adds
  // no empty line.
  TStringList lines;
  lines.SetText(text);
  UnicodeString joined;
  joined.reserve(text.size() + 1);
  for (int32_t i = 0; i < lines.Count(); ++i) {
    joined += TrimBlanks(lines.Strings(i));
    joined += u' ';
  }
  // 4. and 5.
  return RestoreKept(RemoveComments(joined), kept);
}

UnicodeString CompressJavaScript(const UnicodeString& JavaScript) {
  TStringList lines;
  lines.SetText(JavaScript);  // split as in CompressCSS
  UnicodeString result;
  result.reserve(JavaScript.size());
  bool inBlock = false, inKept = false, regexSeen = false;
  for (int32_t n = 0; n < lines.Count(); ++n) {
    const UnicodeString line = Trimmed(lines.Strings(n));
    const std::u16string_view l(line);
    const size_t size = line.size();
    bool inSingle = false, inDouble = false, inRegex = false;
    UnicodeString out, code;
    size_t segment = 0;
    size_t i = 0;
    if (inBlock || inKept) {
      const size_t close = l.find(u"*/");
      i = close == std::u16string_view::npos ? size : close;
    }
    for (; i < size; ++i) {
      const char16_t c = line[i];
      const char16_t next = i + 1 < size ? line[i + 1] : u'\0';
      const bool inString = inSingle || inDouble;
      const bool inComment = inBlock || inKept;
      if (regexSeen && !inString && !inComment && !inRegex && IsOperatorAt(l, i)) {
        regexSeen = false;
      }
      if (c == u'"') {
        if (!inSingle && !inComment && !inRegex) inDouble = !inDouble;
      } else if (c == u'\'') {
        if (!inDouble && !inComment && !inRegex) inSingle = !inSingle;
      } else if (c == u'*' && next == u'/' && inComment) {
        if (inKept) {
          out += kCRLF;
          out += l.substr(segment, i + 2 - segment);
          out += kCRLF;
        }
        inBlock = inKept = false;
        segment = i + 2;
        ++i;
      } else if (c == u'/' && next == u'*' && !inString && !inComment && !inRegex) {
        const std::u16string_view before = l.substr(segment, i - segment);
        out += u' ';
        out += before;
        code += u' ';
        code += before;
        if (i + 2 < size && line[i + 2] == u'!') {
          inKept = true;
          segment = i;
        } else {
          inBlock = true;
        }
        const size_t close = l.find(u"*/", i + 2);
        i = (close == std::u16string_view::npos ? size : close) - 1;
      } else if (c == u'/' && next == u'/' && !inString && !inComment && !inRegex) {
        out += u' ';
        out += l.substr(segment, i - segment);
        segment = size;  // the rest of the line is dropped
        break;
      } else if (c == u'/' && !inString && !inComment) {
        if (!inRegex && !regexSeen) {
          if (StartsRegex(code + u' ' + UnicodeString(l.substr(segment, i - segment)))) {
            inRegex = regexSeen = true;
          }
        } else if (inRegex && (i == 0 || line[i - 1] != u'\\')) {
          inRegex = false;
        }
      }
    }
    if (!inBlock) {
      const std::u16string_view rest = l.substr(std::min(segment, size));
      if (inKept) {
        out += kCRLF;
        out += rest;
        out += kCRLF;
      } else {
        out += u' ';
        out += rest;
      }
    }
    if (inRegex) out += u"/ ";
    result += inKept ? out : Trimmed(out);
    result += u' ';
  }
  return Trimmed(result);
}

UnicodeString XSSProtection(const UnicodeString& TestString, bool QuoteString, bool ErrorWhenQuote,
                            const UnicodeString& AllowedChars, bool FullTest,
                            const UnicodeString& AttackFlags) {
  TStringList words;
  words.SetCommaText(!AttackFlags.empty() ? AttackFlags
                     : FullTest           ? UnicodeString(kFullList)
                                          : UnicodeString(kShortList));
  const UnicodeString normalised = Normalised(TestString);
  const std::u16string_view trimmed = TrimBlanks(normalised);
  if (!trimmed.empty()) {
    UnicodeString searched;
    searched.reserve(trimmed.size());
    for (const char16_t c : UpperText(trimmed)) {
      if (c != u' ') searched += c;
    }
    for (int32_t i = 0; i < words.Count(); ++i) {
      const UnicodeString word = UpperText(TrimBlanks(words.Strings(i)));
      if (!word.empty() && searched.find(word) != UnicodeString::npos) RaiseAttack();
    }
  }
  if (!QuoteString) return TestString;

  const bool restricted = !TrimBlanks(AllowedChars).empty();
  const auto quoted = [&](char16_t c) {
    return !restricted || AllowedChars.find(c) == UnicodeString::npos;
  };
  // The quoting table in its order. ";", "#" and "&" go through markers
  // first, so that the references made for them are not quoted once more;
  // the markers are resolved before "<" and ">" are quoted, a marker's text
  // that stood in TestString included. One pass does the same: at each
  // place the first entry that applies wins, a marker's text before the
  // characters of the entries below it.
  struct Step {
    char16_t c;
    std::u16string_view marker;
    std::u16string_view reference;
  };
  static constexpr Step kTable[] = {
      {u';', u"<XSS_SEMICOLON>", u"&#59;"}, {u'#', u"<XSS_SHAPE>", u"&#35;"},
      {u'&', u"<XSS_AND>", u"&amp;"},       {u'"', {}, u"&quot;"},
      {u'\'', {}, u"&#39;"},                {u'(', {}, u"&#40;"},
      {u')', {}, u"&#41;"},                 {u'/', {}, u"&#47;"},
      {u'<', {}, u"&lt;"},                  {u'>', {}, u"&gt;"}};
  bool active[std::size(kTable)];
  for (size_t k = 0; k < std::size(kTable); ++k) active[k] = quoted(kTable[k].c);
  const std::u16string_view text(TestString);
  UnicodeString result;
  result.reserve(2 * text.size());  // pages not written are never touched
  for (size_t i = 0; i < text.size();) {
    size_t length = 1;
    const Step* step = nullptr;
    for (size_t k = 0; k < std::size(kTable) && step == nullptr; ++k) {
      if (!active[k]) continue;
      const Step& s = kTable[k];
      if (text[i] == s.c) {
        step = &s;
      } else if (!s.marker.empty() && text.substr(i, s.marker.size()) == s.marker) {
        step = &s;
        length = s.marker.size();
      }
    }
    if (step != nullptr) {
      result += step->reference;
    } else {
      result += text[i];
    }
    i += length;
  }
  if (ErrorWhenQuote && result.size() > TestString.size()) RaiseAttack();
  return result;
}

}  // namespace TkxNet
