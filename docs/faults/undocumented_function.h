/// \file
/// A public function without a doc comment.

namespace KX {

int plantedFunction();

}  // namespace KX
