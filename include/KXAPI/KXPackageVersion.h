#ifndef KXAPI_KXPACKAGEVERSION_H
#define KXAPI_KXPACKAGEVERSION_H

#include <string>

#include "KXExport.h"

/// \file
/// A package's version from its version file.

namespace KX {

/// retrievePackageVersion returns "MM-mm-BBBB" taken from the first line of
/// the file at path that holds `Version Major="`: 2 characters right after the
/// marker, 2 at offset 26 and 4 at offset 40 from the marker's start.
/// Returns "undefined" when no such line is read before the end of the file
/// (a marker line without a final line feed included), and "NOTFOUND" when
/// the file cannot be opened, after calling
/// KX::kxPrintError(16, "Error opening file " + path).
/// Throws std::out_of_range when the marker line ends less than 40
/// characters after the marker's start. An allocation failure while the file
/// is opened or read throws std::bad_alloc (memory for the stdio handle
/// missing counts as a file that cannot be opened: "NOTFOUND").
KX_API std::string retrievePackageVersion(std::string path);

}  // namespace KX

#endif
