// A header whose declarations doxygen would drop without a warning: it has
// no \file comment.

/// plantedGlobalFunction returns 0.
int plantedGlobalFunction();
