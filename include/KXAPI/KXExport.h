#ifndef KXAPI_KXEXPORT_H
#define KXAPI_KXEXPORT_H

/// \file
/// The export macro KX_API.

/// KX_API marks the library's public classes and functions. The library is
/// built with hidden visibility and a linker version script, so the dynamic
/// symbol table holds exactly what carries this mark (plus the virtual tables
/// and type information of exported polymorphic classes).
#define KX_API __attribute__((visibility("default")))

#endif
