// platform/console.h — the console of the process: a terminal on standard
// input and output.
//
// Everything here acts only on a terminal. When standard input (for keys)
// or standard output (for clearing and the title) is not a terminal — a
// pipe, a file, /dev/null — the operations answer false and do nothing, as
// the original platform's console calls fail on redirected handles.
#pragma once

#include <optional>
#include <string_view>
#include <utility>

namespace kx::platform::console {

// Whether a key was pressed: polls standard input without waiting and, when
// input is pending, reads (and so removes) one byte. The terminal is switched
// to non-canonical mode without echo for the poll, so a key counts without a
// line end, and its mode is restored before the call returns.
bool KeyPressed();

// Writes "ESC [2J ESC [H": the screen cleared, the cursor at the top-left
// corner. True when the whole sequence was written.
bool ClearScreen();

// Writes "ESC ]0;" + Title + BEL, the terminal's title, in UTF-8. Control
// characters (U+0000..U+001F, U+007F..U+009F) are left out and a lone
// surrogate becomes "?", so a title can neither end the sequence early nor
// start another. True when written.
bool SetTitle(std::u16string_view Title);

// The descriptors used as standard input and output, for tests (a
// pseudo-terminal, a pipe); nullopt restores 0 and 1.
void SetDescriptorsForTesting(std::optional<std::pair<int, int>> InputOutput);

}  // namespace kx::platform::console
