#ifndef KX_TESTS_AES_PROBE_H
#define KX_TESTS_AES_PROBE_H

// AesProbe opens the engine's protected state to the tests.

#include "KXAPI/AES.h"
#include "vector_file.h"

class AesProbe : public AES {
 public:
  int nb() const { return Nb; }
  int nk() const { return Nk; }
  int nr() const { return Nr; }
  int blockBytes() const { return 4 * Nb; }

  // The round keys in use, Nb * (Nr + 1) words.
  kxtest::Bytes Schedule() const { return {W, W + 4 * Nb * (Nr + 1)}; }
  kxtest::Bytes RoundKey(int j) const {
    return {W + 4 * Nb * j, W + 4 * Nb * (j + 1)};
  }
  kxtest::Bytes AllOfW() const { return {W, W + sizeof W}; }

  // Sets the parameters without SetParameters, for calls outside the
  // contract.
  void Force(int nb, int nk, int nr) {
    Nb = nb;
    Nk = nk;
    Nr = nr;
  }

  // Configures the object for key and block length in bits and starts key
  // for one direction.
  void Start(const kxtest::Bytes& key, int blockBits, bool forDecryption) {
    SetParameters(static_cast<int>(key.size() * 8), blockBits);
    if (forDecryption) {
      StartDecryption(key.data());
    } else {
      StartEncryption(key.data());
    }
  }
};

#endif
