// platform/xml/HtmlText.h — the plain text of an HTML document, as a reader
// sees it in the body.
//
// The text is parsed by libxml2's HTML parser, synchronously on the caller's
// thread: always as UTF-8 (a charset in the markup is ignored, the text is
// already decoded), forgiving of broken markup, without network access, and
// without writing errors or warnings anywhere. Lone surrogates reach the
// parser as "?".
//
// Layout of the result:
// - The body's text is written, and text that broken markup leaves after
//   the body (after </html>, say), which a browser shows as well. Script,
//   style, head and title are left out wherever they stand, and so are
//   comments.
// - Entities and character references are decoded (&amp; gives "&", &nbsp;
//   gives U+00A0, which stays as it is).
// - Outside <pre>, every run of white space (blank, tab, CR, LF, form feed)
//   becomes one blank. Inside <pre> the text stays as written, each line
//   break written as CR LF (a line break right after <pre> is markup and
//   goes).
// - <br> ends a line (CR LF); a block element (paragraphs, headings, lists
//   and their items, tables and their rows, div, blockquote, pre, hr, ...)
//   starts and ends on a line of its own, adjacent block edges giving one
//   line break, not several. Table cells are separated by a blank.
// - The result is trimmed: no blanks or line breaks at either end.
// An empty text, or one without any text outside head, script and style,
// gives the empty text. A text of 2 GB or more in UTF-8 raises Exception.
//
//   HtmlBodyText(u"<p>Fish &amp; chips</p><p>2 &euro;</p>") == u"Fish & chips\r\n2 €"
#pragma once

#include <string_view>

#include "platform/rtl/Text.h"

namespace kx::platform {

UnicodeString HtmlBodyText(std::u16string_view Html);

}  // namespace kx::platform
