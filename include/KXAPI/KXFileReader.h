#ifndef KXAPI_KXFILEREADER_H
#define KXAPI_KXFILEREADER_H

#include <string>

#include "KXExport.h"

/// \file
/// Readers of small files that hold one value: a string, an integer or a line.

namespace KX {

/// readStringFromFile stores the first line of the file at path (without its
/// line feed; a carriage return stays) in *value and returns 0; an empty file
/// gives "". When the file cannot be opened it calls
/// KX::kxPrintError(16, "Error opening device file " + path), leaves *value
/// unchanged and returns 16. A null value returns 20 and reads nothing.
KX_API int readStringFromFile(std::string path, std::string* value);

/// readIntegerFromFile converts the first line of the file at path with
/// strtol(line, nullptr, 0) (0x hexadecimal, leading 0 octal, else decimal;
/// stops at the first character that does not belong; no digits give 0;
/// clamped to the int range), stores it in *value and returns 0. Failures as
/// readStringFromFile.
KX_API int readIntegerFromFile(std::string path, int* value);

/// getLineFromFile returns the first line of the file at path, or "" when it
/// cannot be opened or is empty. Reports nothing.
KX_API std::string getLineFromFile(std::string path);

}  // namespace KX

#endif
