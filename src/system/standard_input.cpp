#include "system/standard_input.h"

#include <unistd.h>

namespace wavelore {

bool StandardInputIsTerminal() {
    return isatty(STDIN_FILENO) != 0;
}

}  // namespace wavelore
