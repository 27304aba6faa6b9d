#ifndef KXAPI_KXFILEREADER_H
#define KXAPI_KXFILEREADER_H

#include <string>

#include "KXExport.h"

/// \file
/// Readers of small files that hold one value: a string, an integer or a line.
///
/// When memory runs out: opening the file takes a stream buffer and a stdio
/// handle. A buffer that cannot be allocated throws std::bad_alloc; a handle
/// that cannot be had is a file that cannot be opened (status 16 and the
/// report, with std::bad_alloc instead when the report's text cannot be
/// built). readStringFromFile and readIntegerFromFile pass std::bad_alloc
/// from the line read through as well; in every such case *value keeps its
/// previous content and nothing leaks.

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
/// cannot be opened or is empty. Reports nothing. An allocation failure
/// during the line read is absorbed: the result is what was read before it,
/// "" for a line that fits the stream's buffer (8 KiB).
KX_API std::string getLineFromFile(std::string path);

}  // namespace KX

#endif
