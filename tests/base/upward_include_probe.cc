// Compiled only by the layering test, as if it were part of the BPE family:
// it must not find the interface layer's headers.
#include "interface/handle.h"
