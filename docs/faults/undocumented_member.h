/// \file
/// A documented class with an undocumented public member.

namespace KX {

/// PlantedClass has a documented function and an undocumented field.
class PlantedClass {
public:
  /// plantedFunction returns 0.
  int plantedFunction();
  int plantedMember;
};

}  // namespace KX
