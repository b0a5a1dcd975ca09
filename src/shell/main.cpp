// The executable's entry.
#include "shell/shell.h"

int main() {
    return ProgramMain();
}
