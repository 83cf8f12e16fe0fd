// placeholder until the implementation lands
#include "decomp32/crc32.h"
