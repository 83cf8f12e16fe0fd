// placeholder until the implementation lands
#include "decomp32/bzip2_decode.h"
