#include <zorbase/afx/CFile.h>

#include <UnitTest++/UnitTest++.h>

#include <cstring>
#include <string>
#include <vector>

#include <zorbase/platform/platform.h>

namespace {

// A file on the test drive C: (a fresh temporary directory for each run).
const wchar_t kPath[] = L"C:\\cfile_test.bin";

void RemoveTestFile(const wchar_t* path) { DeleteFileW(path); }

}  // namespace

SUITE(CFile) {
  TEST(WriteReadSeekAndLength) {
    {
      CFile file;
      CHECK(file.Open(kPath, CFile::modeCreate | CFile::modeReadWrite | CFile::typeBinary));
      file.Write("0123456789", 10);
      CHECK_EQUAL(10u, file.GetLength());
      CHECK_EQUAL(10u, file.GetPosition());
      CHECK_EQUAL(4u, file.Seek(4, CFile::begin));
      char buf[16] = {};
      CHECK_EQUAL(3u, file.Read(buf, 3));
      CHECK_EQUAL(std::string("456"), std::string(buf, 3));
      CHECK_EQUAL(9u, file.Seek(-1, CFile::end));
      CHECK_EQUAL(1u, file.Read(buf, 16));
      CHECK_EQUAL('9', buf[0]);
      CHECK_EQUAL(0u, file.Read(buf, 16));
      file.SetLength(5);
      CHECK_EQUAL(5u, file.GetLength());
      file.SeekToBegin();
      CHECK_EQUAL(0u, file.GetPosition());
      CHECK_EQUAL(5u, file.SeekToEnd());
      file.Flush();
      CHECK(file.GetFileName() == CString(L"cfile_test.bin"));
      CHECK(file.GetFileTitle() == CString(L"cfile_test"));
      CHECK(file.GetFilePath() == CString(kPath));
      file.Close();
      CHECK(file.m_hFile == CFile::hFileNull);
    }
    CFile again(kPath, CFile::modeRead);
    CHECK_EQUAL(5u, again.GetLength());
    again.Close();
    RemoveTestFile(kPath);
  }

  TEST(OpenFailureReportsCauseErrorAndName) {
    CFile file;
    CFileException error;
    CHECK(!file.Open(L"C:\\no_such_file.bin", CFile::modeRead, &error));
    CHECK_EQUAL(CFileException::fileNotFound, error.m_cause);
    CHECK_EQUAL(2, error.m_lOsError);
    CHECK(error.m_strFileName == CString(L"C:\\no_such_file.bin"));
    wchar_t text[200];
    CHECK(error.GetErrorMessage(text, 200));
    CHECK(std::wcsstr(text, L"no_such_file.bin") != nullptr);
    CHECK(!file.Open(L"C:\\no_dir\\x.bin", CFile::modeRead, &error));
    CHECK_EQUAL(CFileException::badPath, error.m_cause);
  }

  TEST(ConstructorThrowsByPointer) {
    bool caught = false;
    try {
      CFile file(L"C:\\missing.bin", CFile::modeRead);
    } catch (CFileException* e) {
      caught = true;
      CHECK_EQUAL(CFileException::fileNotFound, e->m_cause);
      e->Delete();
    }
    CHECK(caught);
  }

  TEST(ShareModesAndAccessAreEnforced) {
    CFile writer;
    CHECK(writer.Open(kPath, CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite));
    CFile second;
    CFileException error;
    CHECK(!second.Open(kPath, CFile::modeWrite | CFile::shareDenyNone, &error));
    CHECK_EQUAL(CFileException::sharingViolation, error.m_cause);
    writer.Close();
    CFile reader(kPath, CFile::modeRead);
    bool caught = false;
    try {
      reader.Write("x", 1);
    } catch (CFileException* e) {
      caught = true;
      CHECK_EQUAL(CFileException::accessDenied, e->m_cause);
      e->Delete();
    }
    CHECK(caught);
    reader.Close();
    RemoveTestFile(kPath);
  }

  TEST(CauseMapping) {
    CHECK_EQUAL(CFileException::fileNotFound, CFileException::OsErrorToException(2));
    CHECK_EQUAL(CFileException::sharingViolation, CFileException::OsErrorToException(32));
    CHECK_EQUAL(CFileException::diskFull, CFileException::OsErrorToException(112));
    CHECK_EQUAL(CFileException::badPath, CFileException::OsErrorToException(123));
    CHECK_EQUAL(CFileException::genericException, CFileException::OsErrorToException(987654));
  }
}
