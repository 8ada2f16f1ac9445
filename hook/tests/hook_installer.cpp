// Sets the hook library up in a process of its own and ends: what a
// filtering service does that starts, installs the hook and goes away.
#include "hook/tbhook.h"

int main() {
    return THInitialize(nullptr) != 0 ? 0 : 1;
}
