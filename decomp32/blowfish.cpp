// placeholder until the implementation lands
#include "decomp32/blowfish.h"
