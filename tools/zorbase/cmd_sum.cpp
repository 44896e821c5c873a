// `zorbase sum ALGORITHM [FILE...]`: checksums, CRCs and SHA-1 digests of files with the library's
// calculators, one line per file in the form of sha1sum: the value in lower-case hexadecimal, two
// spaces, the file name.
#include "command.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <system_error>
#include <string>
#include <vector>

#include <zorbase/crypto/COXCRC16.h>
#include <zorbase/crypto/COXCRC32.h>
#include <zorbase/crypto/COXCheckSum.h>
#include <zorbase/crypto/CSHA1.h>
#include <zorbase/platform/codepage.h>
#include <zorbase/platform/console.h>
#include <zorbase/progress/MProgress.h>
#include <zorbase/progress/TerminalProgress.h>

namespace zb {
namespace tool {
namespace {

constexpr std::size_t kChunk = 1u << 20;

// One algorithm: feeds bytes and renders the final value.
class Summer {
 public:
  virtual ~Summer() = default;
  virtual void Add(unsigned char* data, std::size_t n) = 0;
  virtual std::string Value() = 0;
};

class CheckSummer : public Summer {
 public:
  CheckSummer(COXCheckBase* calculator, int digits) : calc_(calculator), digits_(digits) {}
  void Add(unsigned char* data, std::size_t n) override {
    calc_->CalculateBlock(data, static_cast<ULONG>(n));
  }
  std::string Value() override {
    // An empty block returns the running value reduced to the calculator's width.
    char text[16];
    std::snprintf(text, sizeof text, "%0*lx", digits_,
                  static_cast<unsigned long>(calc_->CalculateBlock(nullptr, 0)));
    return text;
  }

 private:
  std::unique_ptr<COXCheckBase> calc_;
  int digits_;
};

class Sha1Summer : public Summer {
 public:
  void Add(unsigned char* data, std::size_t n) override {
    sha_.Update(data, static_cast<unsigned int>(n));
  }
  std::string Value() override {
    sha_.Final();
    unsigned char digest[20];
    sha_.GetHash(digest);
    std::string text;
    char pair[3];
    for (unsigned char b : digest) {
      std::snprintf(pair, sizeof pair, "%02x", b);
      text += pair;
    }
    return text;
  }

 private:
  CSHA1 sha_;
};

std::unique_ptr<Summer> MakeSummer(const std::string& algorithm) {
  if (algorithm == "crc32") return std::make_unique<CheckSummer>(new COXCRC32, 8);
  if (algorithm == "crc16") return std::make_unique<CheckSummer>(new COXCRC16, 4);
  if (algorithm == "sum8") return std::make_unique<CheckSummer>(new COXCheckSum8, 2);
  if (algorithm == "sum16") return std::make_unique<CheckSummer>(new COXCheckSum16, 4);
  if (algorithm == "sum32") return std::make_unique<CheckSummer>(new COXCheckSum32, 8);
  if (algorithm == "sha1") return std::make_unique<Sha1Summer>();
  return nullptr;
}

// The name as sha1sum prints it: a name with a backslash or a line break is escaped and the line
// then starts with a backslash.
std::string PrintedLine(const std::string& value, const std::string& name) {
  std::string escaped;
  bool needs = false;
  for (char c : name) {
    if (c == '\\') {
      escaped += "\\\\";
      needs = true;
    } else if (c == '\n') {
      escaped += "\\n";
      needs = true;
    } else if (c == '\r') {
      escaped += "\\r";
      needs = true;
    } else {
      escaped += c;
    }
  }
  return (needs ? "\\" : "") + value + "  " + escaped + "\n";
}

// The input of one sum: a file named natively (UTF-8), or standard input for "-". `total` is the
// size of a regular file (0 for other input, whose end is not known ahead).
class Input {
 public:
  explicit Input(const std::string& name) : is_stdin_(name == "-") {
    if (is_stdin_) {
      zb::platform::SetStandardInputBinary();  // the bytes as they come, also on Windows
      return;
    }
    const std::filesystem::path path = std::filesystem::u8path(name);
    errno = 0;
    file_.open(path, std::ios::binary);
    if (!file_) {
      error_ = errno != 0 ? errno : ENOENT;
      return;
    }
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec)) {
      const auto size = std::filesystem::file_size(path, ec);
      if (!ec) total_ = static_cast<double>(size);
    }
  }
  bool ok() const { return error_ == 0; }
  int error() const { return error_; }
  double total() const { return total_; }
  // Up to `size` bytes; 0 at the end, -1 on a read error (errno says which).
  long long Read(unsigned char* buf, std::size_t size) {
    if (is_stdin_) {
      const std::size_t n = std::fread(buf, 1, size, stdin);
      return n == 0 && std::ferror(stdin) ? -1 : static_cast<long long>(n);
    }
    file_.read(reinterpret_cast<char*>(buf), static_cast<std::streamsize>(size));
    if (file_.bad()) return -1;
    return static_cast<long long>(file_.gcount());
  }

 private:
  bool is_stdin_;
  std::ifstream file_;
  int error_ = 0;
  double total_ = 0.0;
};

// Sums one file (or standard input for "-"); false with a message on standard error on failure.
bool SumOne(const std::string& algorithm, const std::string& name, std::vector<unsigned char>& buf,
            zb::TerminalProgress& terminal) {
  Input input(name);
  if (!input.ok()) {
    std::fprintf(stderr, "zorbase: %s: %s\n", name.c_str(), std::strerror(input.error()));
    return false;
  }
  // Regular files show how far the reading has come; other input only its name.
  const double total = input.total();
  MProgress progress(0, total, false);
  progress.SetText(zb::platform::Utf8ToWide(name).c_str());
  progress.Begin(0, total);
  std::unique_ptr<Summer> summer = MakeSummer(algorithm);
  long long done = 0;
  bool ok = true;
  for (;;) {
    errno = 0;
    const long long n = input.Read(buf.data(), buf.size());
    if (n < 0) {
      terminal.Clear();
      std::fprintf(stderr, "zorbase: %s: %s\n", name.c_str(), std::strerror(errno != 0 ? errno : EIO));
      ok = false;
      break;
    }
    if (n == 0) break;
    summer->Add(buf.data(), static_cast<std::size_t>(n));
    done += n;
    if (total > 0) progress.SetCurrentPosition(static_cast<double>(done));
  }
  progress.End();
  if (!ok) return false;
  std::string line = PrintedLine(summer->Value(), name);
  // The result may go to the same terminal: it is written where the bars were, and they are drawn
  // again below it.
  terminal.Clear();
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
  return true;
}

int RunSum(const std::vector<std::string>& args) {
  if (args.empty()) return UsageError("sum", "missing ALGORITHM");
  const std::string& algorithm = args[0];
  if (!MakeSummer(algorithm)) {
    return UsageError("sum", "unknown algorithm '" + algorithm +
                                 "' (crc32, crc16, sum8, sum16, sum32 or sha1)");
  }
  std::vector<std::string> files(args.begin() + 1, args.end());
  if (files.empty()) files.push_back("-");
  std::vector<unsigned char> buf(kChunk);
  bool ok = true;
  zb::TerminalProgress terminal;
  MProgress all(0, static_cast<double>(files.size()), false);
  all.SetText(L"sum");
  all.SetAdjustByLowerLevels(true);  // the count of files advances with each file's bytes
  all.Begin(0, static_cast<double>(files.size()));
  for (const std::string& name : files) {
    ok = SumOne(algorithm, name, buf, terminal) && ok;
    all.Increment();
  }
  std::fflush(stdout);
  return ok ? kExitOk : kExitFailure;
}

const Command kSum(
    "sum", "sum ALGORITHM [FILE...]",
    "Prints a checksum of each FILE (standard input when none is given or for '-') as one line:\n"
    "the value in lower-case hexadecimal, two spaces, the file name, as sha1sum does.\n"
    "\n"
    "ALGORITHM is one of:\n"
    "  crc32  COXCRC32, polynomial 0xEDB88320 from 0xFFFFFFFF, no final inversion (8 digits;\n"
    "         \"123456789\" gives 340bc6d9, the complement of the usual CRC-32 cbf43926)\n"
    "  crc16  COXCRC16, polynomial 0x1021 from 0xFFFF (CRC-16/IBM-3740, 4 digits)\n"
    "  sum8, sum16, sum32  byte sums from 0xFF, 0xFFFF, 0xFFFFFFFF (2, 4, 8 digits)\n"
    "  sha1   SHA-1 (40 digits, the same line as sha1sum)\n"
    "\n"
    "A file name with a backslash or line break is escaped and its line starts with a backslash.\n"
    "Long runs show their progress on standard error (bars when it is a terminal).\n"
    "Exit status: 0 when every file was read, 1 when one could not be, 2 for a usage error.",
    RunSum);

}  // namespace
}  // namespace tool
}  // namespace zb
