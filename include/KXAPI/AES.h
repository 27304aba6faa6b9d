#ifndef KXAPI_AES_H
#define KXAPI_AES_H

#include "KXExport.h"

/// \file
/// The Rijndael/AES block cipher engine, class AES.

/// AES is a Rijndael block cipher engine (FIPS-197 AES for 128-bit blocks)
/// with key and block lengths of 128, 192 or 256 bits each, chosen
/// independently, and ECB and CBC chaining over runs of blocks.
///
/// Use: construct; SetParameters(keybits, blockbits); StartEncryption(key)
/// before Encrypt, or StartDecryption(key) before Decrypt; then any number of
/// Encrypt/Decrypt calls. A new start replaces the schedule at any time.
///
/// The lookup tables are computed the first time an AES object is constructed
/// in the process, as a once-only initialisation that is safe when several
/// threads construct their first objects at once. Afterwards the tables are
/// read-only and shared. One object serves one thread at a time while its key
/// or parameters change; the block operations only read the object.
///
/// Programming errors are caught by assertions that stay enabled in every
/// build: starting a key without accepted parameters ("Nk > 0") or passing an
/// unknown mode (`"!\"Unknown mode!\""`) ends the process.
///
/// Calls outside the contract: while no parameters are accepted (Nb == 0, the
/// state after construction or a rejected SetParameters), EncryptBlock,
/// DecryptBlock, Encrypt and Decrypt do nothing at all: they neither read the
/// input nor write the output.
///
/// No member allocates memory or throws, except the constructor's const char*
/// above.
///
/// \warning Table-driven AES is not constant-time; its memory access pattern
/// depends on key and data.
class KX_API AES {
public:
  /// BlockMode selects how Encrypt and Decrypt chain the blocks of a run.
  enum BlockMode {
    ECB = 0,  ///< every block on its own (NIST SP 800-38A)
    CBC = 1,  ///< cipher block chaining, the chaining value starting at zero
  };

  /// AES builds the lookup tables on first use in the process and zeroes the
  /// object. Throws the const char* "Tables failed to initialize" when the
  /// tables cannot be built.
  AES();

  /// SetParameters sets the key and block length in bits, each 128, 192
  /// or 256. Any other value leaves Nb, Nk and Nr at 0, silently. W is
  /// untouched.
  void SetParameters(int keylength, int blocklength);

  /// StartEncryption expands the 4*Nk key bytes at key into the encryption
  /// schedule (FIPS-197 key expansion).
  void StartEncryption(const unsigned char* key);

  /// StartDecryption expands the 4*Nk key bytes at key into the schedule of
  /// the equivalent inverse cipher (FIPS-197 section 5.3.5).
  void StartDecryption(const unsigned char* key);

  /// KeyExpansion is the FIPS-197 key expansion into W, the first step of
  /// both starts.
  void KeyExpansion(const unsigned char* key);

  /// EncryptBlock encrypts the 4*Nb bytes at datain into the 4*Nb bytes at
  /// dataout. The two may be the same address; neither needs alignment.
  void EncryptBlock(const unsigned char* datain, unsigned char* dataout);

  /// DecryptBlock is the inverse of EncryptBlock, under the decryption
  /// schedule. The two pointers may be the same address.
  void DecryptBlock(const unsigned char* datain, unsigned char* dataout);

  /// Encrypt runs numBlocks blocks of 4*Nb bytes from datain to dataout in the
  /// given mode. CBC starts from an all-zero chaining value in every call.
  /// datain == dataout is allowed. numBlocks 0 touches nothing.
  void Encrypt(const unsigned char* datain, unsigned char* dataout, unsigned long numBlocks,
               BlockMode mode);

  /// Decrypt is the inverse of Encrypt, under the decryption schedule.
  /// datain == dataout is allowed for ECB and for a single CBC block; CBC
  /// over several blocks needs separate, non-overlapping buffers.
  void Decrypt(const unsigned char* datain, unsigned char* dataout, unsigned long numBlocks,
               BlockMode mode);

protected:
  int Nb;  ///< block length in 32-bit words: 4, 6 or 8; 0 when not configured
  int Nk;  ///< key length in 32-bit words: 4, 6 or 8; 0 when not configured
  int Nr;  ///< rounds: 10, 12 or 14; 0 when not configured
  /// Round keys: word i is bytes 4i..4i+3, byte 4i+r holding row r of column
  /// i (FIPS-197's w[i]); round key j is words j*Nb..j*Nb+Nb-1.
  unsigned char W[4 * 8 * 15];
};

#endif
