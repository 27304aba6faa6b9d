// Instruction-count driver for this library's engine and text facade.
#include "KXAPI/AES.h"
#include "KXAPI/KXAES.h"
#include "icount_driver.h"

namespace {

int RunBlocks(const icount::Job& job, icount::Inputs& in) {
  AES aes;
  aes.SetParameters(job.keyBits, job.blockBits);
  const bool decrypt = job.op == "ecb-dec";
  decrypt ? aes.StartDecryption(in.key) : aes.StartEncryption(in.key);
  const AES::BlockMode mode = job.op == "cbc-enc" ? AES::CBC : AES::ECB;
  const auto run = decrypt ? &AES::Decrypt : &AES::Encrypt;
  (aes.*run)(in.data, in.out, 1, mode);  // warm-up
  (aes.*run)(in.data, in.out, job.count, mode);
  if (job.print) icount::PrintHex(in.out, job.bytes());
  return 0;
}

int RunText(const icount::Job& job, const icount::Inputs& in) {
  KX::KXAES kxaes;
  if (kxaes.startEncryption(std::string(in.key, in.key + 16)) != 0) return 1;
  if (kxaes.encrypt(in.shortText) != 0) return 1;  // warm-up
  if (const std::string* text = in.text(job.count)) {
    if (kxaes.encrypt(*text) != 0) return 1;
    if (job.print) std::printf("%s\n", kxaes.getEncryptedData().c_str());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const icount::Job job = icount::ParseJob(argc, argv);
  icount::Inputs in;
  if (job.op == "tables") {
    // The first AES object of the process builds the tables.
    if (job.count > 0) {
      const AES first;
      (void)first;
    }
    return 0;
  }
  if (job.op == "text") return RunText(job, in);
  if (job.op == "ecb-enc" || job.op == "ecb-dec" || job.op == "cbc-enc") return RunBlocks(job, in);
  return icount::kUnsupported;
}
