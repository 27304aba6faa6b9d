/// \file
/// A doc comment that refers to a function that does not exist.

namespace KX {

/// plantedFunction works like \ref KX::noSuchFunction().
int plantedFunction();

}  // namespace KX
