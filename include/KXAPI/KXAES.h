#ifndef KXAPI_KXAES_H
#define KXAPI_KXAES_H

#include <string>

#include "AES.h"
#include "KXExport.h"

/// \file
/// Text encryption: the Base64 of a text's AES-128 cipher text, class KX::KXAES.

namespace KX {

/// KXAES turns a text into the Base64 (RFC 4648) of its AES-128 ECB cipher
/// text, the text padded to whole 16-byte blocks with PKCS #7 padding.
///
/// \warning ECB with no IV and no authentication, kept for interoperability
/// with existing device software: equal 16-byte blocks of text give equal
/// blocks of cipher text, and nothing detects tampering.
///
/// One object serves one thread at a time.
///
/// When memory runs out: only encrypt, convertPlainText and encodeBase64
/// allocate. Each of them either completes or leaves the object, its result
/// and its out-parameters as they were (the strong guarantee); where it
/// throws std::bad_alloc is said below. Nothing leaks.
class KX_API KXAES : private AES {
public:
  /// KXAES constructs the engine (building its tables on first use; may
  /// throw the engine's const char*) with no key accepted.
  KXAES();
  /// ~KXAES destroys the result. Neither the key copy nor the round keys are
  /// wiped.
  virtual ~KXAES();

  /// startEncryption accepts a key of exactly 16 raw bytes (any values) and
  /// returns 0. Any other size prints
  ///   "Encryption key length is invalid: <size>. Has to be 16."
  /// on std::cerr and returns 20, leaving the object as it was. The line is
  /// exact whatever the host has set on std::cerr (base, showbase, width,
  /// fill, locale...): the numbers are decimal, and the stream's settings
  /// are left as they were. Allocates nothing, so memory running out does
  /// not change any of this.
  int startEncryption(const std::string& key);

  /// encrypt pads, encrypts and Base64-encodes text into the object's result
  /// and returns 0. Returns 1 when the padded copy cannot be allocated
  /// (convertPlainText's message on std::cout), and 20 when no key has been
  /// accepted yet; in both cases nothing changes. Throws std::bad_alloc when
  /// the cipher buffer of a text of 256 bytes or more, or a result longer
  /// than any before in this object, cannot be allocated; then too the
  /// previous result stays as it was, and the buffers taken are released.
  int encrypt(const std::string& text);

  /// getEncryptedData returns the result of the last successful encrypt, ""
  /// before the first. The reference lives as long as the object.
  std::string& getEncryptedData();

  /// convertPlainText returns a new[] array holding text followed by its
  /// PKCS #7 padding (1 to 16 bytes of the pad count) and stores the padded
  /// length in paddedLength first. The caller releases it with delete[]. On
  /// allocation failure, or when the padded length does not fit in an int,
  /// prints "Converting plain text failed" on std::cout and returns nullptr.
  /// Never throws: the copy comes from the non-throwing new[].
  unsigned char* convertPlainText(const std::string& text, int& paddedLength);

  /// encodeBase64 replaces out with the Base64 of the len bytes at data, with
  /// "=" padding and no line breaks, and returns 0. len <= 0 gives "". No
  /// byte past data[len - 1] is read. out keeps its capacity, so a string
  /// that is reused allocates only when a longer result needs it. When that
  /// allocation fails, std::bad_alloc passes through and out keeps its
  /// previous content.
  int encodeBase64(std::string& out, const unsigned char* data, int len);

private:
  unsigned char aesKey[16];   ///< the last accepted key; 0xFF bytes before
  std::string encryptedData;  ///< Base64 result of the last encrypt
};

}  // namespace KX

#endif
