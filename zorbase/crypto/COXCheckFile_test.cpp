#include <zorbase/crypto/COXCRC16.h>
#include <zorbase/crypto/COXCRC32.h>
#include <zorbase/crypto/COXCheckSum.h>

#include <UnitTest++/UnitTest++.h>

#include <random>
#include <vector>

#include <zorbase/afx/CFile.h>
#include <zorbase/platform/platform.h>

namespace {

const wchar_t kPath[] = L"C:\\checksum_file.bin";

std::vector<unsigned char> WriteTestFile(std::size_t n) {
  std::mt19937 rng(static_cast<unsigned>(n));
  std::vector<unsigned char> data(n);
  for (auto& b : data) b = static_cast<unsigned char>(rng());
  CFile file(kPath, CFile::modeCreate | CFile::modeWrite);
  file.Write(data.data(), static_cast<UINT>(n));
  file.Close();
  return data;
}

// A file whose second read fails.
class FailingFile : public CFile {
 public:
  using CFile::CFile;
  UINT Read(void* buffer, UINT count) override {
    if (++reads_ == 2) CFileException::ThrowOsError(30, L"C:\\failing.bin");  // ERROR_READ_FAULT
    return CFile::Read(buffer, count);
  }

 private:
  int reads_ = 0;
};

}  // namespace

SUITE(COXCheckFile) {
  TEST(LengthLimitsTheBytesRead) {
    auto data = WriteTestFile(6000);
    CFile file(kPath, CFile::modeRead);
    COXCRC32 crc;
    ULONG got = crc.CalculateFile(&file, 5000, 2048);
    CHECK_EQUAL(COXCRC32().CalculateBlock(data.data(), 5000), got);
    CHECK_EQUAL(5000u, file.GetPosition());
    file.Close();
    DeleteFileW(kPath);
  }

  TEST(ShortFileStopsAtItsEnd) {
    auto data = WriteTestFile(3000);
    CFile file(kPath, CFile::modeRead);
    COXCheckSum32 sum;
    CHECK_EQUAL(COXCheckSum32().CalculateBlock(data.data(), 3000),
                sum.CalculateFile(&file, 0xFFFFFFFFu, 2048));
    file.Close();
    DeleteFileW(kPath);
  }

  TEST(WholeFileByPathForEveryCalculator) {
    for (std::size_t n : {0u, 1u, 2048u, 4096u, 70001u}) {
      auto data = WriteTestFile(n);
      COXCheckBase* pairs[][2] = {{new COXCRC32, new COXCRC32}, {new COXCRC16, new COXCRC16},
                                  {new COXCheckSum8, new COXCheckSum8},
                                  {new COXCheckSum16, new COXCheckSum16},
                                  {new COXCheckSum32, new COXCheckSum32}};
      for (auto& pair : pairs) {
        ULONG want = pair[0]->CalculateBlock(data.data(), static_cast<ULONG>(n));
        CHECK_EQUAL(want, pair[1]->CalculateFile(CString(kPath)));
        delete pair[0];
        delete pair[1];
      }
    }
    DeleteFileW(kPath);
  }

  TEST(MissingFileThrowsTheOpenFailure) {
    COXCRC32 crc;
    bool caught = false;
    try {
      crc.CalculateFile(CString(L"C:\\missing_checksum.bin"));
    } catch (CFileException* e) {
      caught = true;
      CHECK_EQUAL(CFileException::fileNotFound, e->m_cause);
      CHECK_EQUAL(2, e->m_lOsError);
      CHECK(e->m_strFileName == CString(L"C:\\missing_checksum.bin"));
      e->Delete();
    }
    CHECK(caught);
    CHECK_EQUAL(0xFFFFFFFFu, crc.GetCurrent());
  }

  TEST(ReadFailureRestoresTheRunningValue) {
    WriteTestFile(10000);
    FailingFile file(kPath, CFile::modeRead);
    COXCRC32 crc;
    crc.CalculateBlock(const_cast<char*>("abc"), 3);
    ULONG before = crc.GetCurrent();
    bool caught = false;
    try {
      crc.CalculateFile(&file, 0xFFFFFFFFu, 1024);
    } catch (CFileException* e) {
      caught = true;
      CHECK_EQUAL(CFileException::badSeek, e->m_cause);
      e->Delete();
    }
    CHECK(caught);
    CHECK_EQUAL(before, crc.GetCurrent());
    file.Close();
    DeleteFileW(kPath);
  }
}
