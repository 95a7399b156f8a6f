#pragma once
// Text from outside the program (a server's status line or reply, a system's
// message) made fit for one line of a tooltip or of the log.
#include <string>
#include <string_view>

namespace zelmora {

// Valid UTF-8 on one line, showing only what it says: a line break (CR LF
// counting as one) and every character that would act rather than show
// becomes one space. Those are the C0 and C1 controls and DEL (a terminal
// acts on ESC and the 8-bit CSI), the bidirectional embeddings, overrides,
// isolates and marks (they reorder what follows), and the zero-width and
// invisible formatting characters (they hide). A byte that starts no valid
// UTF-8 sequence becomes "?".
std::string ReadableLine(std::string_view text);

}  // namespace zelmora
