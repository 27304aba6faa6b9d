#ifndef KXAPI_KXSTATUS_H
#define KXAPI_KXSTATUS_H

/// \file
/// The status codes of the library's functions.

namespace KX {

/// Status codes returned by the library's functions. Each value keeps one
/// meaning across the whole library; 0 is success.
enum KXStatus : int {
  KX_STATUS_OK = 0,                 ///< success
  KX_STATUS_NO_MEMORY = 1,          ///< a buffer could not be allocated
  KX_STATUS_OPEN_FAILED = 16,       ///< a file or the mount table could not be opened
  KX_STATUS_INVALID_ARGUMENT = 20,  ///< wrong key length, null listener or pointer
  KX_STATUS_NOT_FOUND = 23,         ///< no mount-table entry has the device
};

}  // namespace KX

#endif
