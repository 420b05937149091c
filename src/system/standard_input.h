#pragma once

namespace wavelore {

// True when standard input is a terminal rather than a pipe or a file: no
// audio will arrive there.
bool StandardInputIsTerminal();

}  // namespace wavelore
