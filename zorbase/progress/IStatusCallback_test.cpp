#include <zorbase/progress/IStatusCallback.h>

#include <cwchar>
#include <stdexcept>
#include <string>
#include <vector>

#include <UnitTest++/UnitTest++.h>

#include <zorbase/platform/format.h>
#include <zorbase/progress/ProgressToStatusCallback.h>
#include <zorbase/stdbase/ProgressDelegate.h>

namespace {

// Records each call as one line; formats are expanded with their arguments.
class Recorder : public IStatusCallback {
 public:
  std::vector<std::wstring> calls;
  bool abort = false;
  bool throw_on_end = false;
  bool withdraw_on_count = false;

  Recorder() { mp_instance = this; }
  ~Recorder() override { mp_instance = nullptr; }

 protected:
  void Add(const std::wstring& line) { calls.push_back(line); }
  void Add(const wchar_t* slot, const wchar_t* format, va_list args) {
    Add(std::wstring(slot) + L":" + zb::platform::VFormatW(format, args));
  }
  void Add(const wchar_t* slot, unsigned int id, va_list args) {
    // Identifiers are followed here by one int argument, or none (id 0).
    Add(std::wstring(slot) + L":#" + std::to_wstring(id) + (id != 0 ? L"," + std::to_wstring(va_arg(args, int)) : L""));
  }
  void _OnStatus(unsigned int id, va_list args) override { Add(L"3", id, args); }
  void _OnStatus(const wchar_t* format, va_list args) override { Add(L"4", format, args); }
  void _OnStatusTemp(unsigned int id, va_list args) override { Add(L"5", id, args); }
  bool _OnStatusCount(double position) override {
    Add(L"6:" + std::to_wstring(position));
    if (withdraw_on_count) mp_instance = nullptr;
    return false;
  }
  bool _OnStatusInc(double amount) override { Add(L"7:" + std::to_wstring(amount)); return false; }
  void _OnStatusInit(unsigned int id, va_list args) override { Add(L"8", id, args); }
  void _OnStatusInit(const wchar_t* format, va_list args) override { Add(L"9", format, args); }
  void _OnStatusInitText(const wchar_t* text) override { Add(std::wstring(L"10:") + text); }
  void _OnStatusInitZorResString(unsigned int id, va_list args) override { Add(L"11", id, args); }
  void _OnStatusInitZorResString(const wchar_t* format, va_list args) override { Add(L"12", format, args); }
  void _OnStatusMode(ULONG mode, unsigned short flags, bool on) override {
    Add(L"13:" + std::to_wstring(mode) + L"," + std::to_wstring(flags) + L"," + std::to_wstring(on));
  }
  HWND _OnStatusParent(HWND parent) override { Add(L"14"); return parent; }
  void _OnStatusStop() override { Add(L"15"); }
  bool _OnStatusGetAbort() override { Add(L"16"); return abort; }
  void _OnStatusBegin(double start, double end, unsigned int id, va_list args) override {
    Add(L"17:" + std::to_wstring(start) + L"," + std::to_wstring(end));
    Add(L"17", id, args);
  }
  void _OnStatusBegin(double start, double end, const wchar_t* format, va_list args) override {
    Add(L"18:" + std::to_wstring(start) + L"," + std::to_wstring(end) + L"," + zb::platform::VFormatW(format, args));
  }
  void _OnStatusEnd() override {
    Add(L"19");
    if (throw_on_end) throw std::runtime_error("end failed");
  }
  bool _OnStatusText(short mode, const wchar_t* format, va_list args) override {
    Add(L"20:" + std::to_wstring(mode) + L"," + zb::platform::VFormatW(format, args));
    return false;
  }
  void _OnStatusBeginZorResString(double, double, unsigned int id, va_list args) override { Add(L"21", id, args); }
  bool _OnStatusTextInfo(const wchar_t* format, va_list args) override { Add(L"22", format, args); return false; }
  bool _OnStatusTextWarning(const wchar_t* format, va_list args) override { Add(L"23", format, args); return false; }
  bool _OnStatusTextError(const wchar_t* format, va_list args) override { Add(L"24", format, args); return false; }
  void _OnStatusTextMode(unsigned short mode, unsigned short flags) override {
    Add(L"25:" + std::to_wstring(mode) + L"," + std::to_wstring(flags));
  }
  void _OnTooltipText(const wchar_t* text) override { Add(std::wstring(L"26:") + text); }
  void _OnTooltipShow(bool show) override { Add(L"27:" + std::to_wstring(show)); }
  void _OnStatusError(unsigned int id, va_list args) override { Add(L"28", id, args); }
  void _OnStatusError(const wchar_t* format, va_list args) override { Add(L"29", format, args); }
  void _OnStatusMessage(unsigned int id, va_list args) override { Add(L"30", id, args); }
  void _OnStatusMessage(const wchar_t* format, va_list args) override { Add(L"31", format, args); }
  void _OnStatusWarning(unsigned int id, va_list args) override { Add(L"32", id, args); }
  void _OnStatusWarning(const wchar_t* format, va_list args) override { Add(L"33", format, args); }
};

void ViaList(unsigned int id, ...) {
  va_list args;
  va_start(args, id);
  IStatusCallback::STATUSV(id, args);
  va_end(args);
}

}  // namespace

SUITE(IStatusCallback) {

TEST(WithoutImplementationEveryStaticReturnsItsDefault) {
  CHECK(!IStatusCallback::HasInstance());
  CHECK(!IStatusCallback::STATUS_GET_ABORT());
  CHECK(IStatusCallback::STATUS_INC(1.0));
  CHECK(IStatusCallback::STATUS_COUNT(1.0));
  CHECK(IStatusCallback::STATUS_PARENT(reinterpret_cast<HWND>(8)) == nullptr);
  CHECK(IStatusCallback::STATUS_TEXT_ERROR(L"%d", 1));
  CHECK(IStatusCallback::STATUS_TEXT(1, L"x"));
  IStatusCallback::STATUS(7);
  IStatusCallback::STATUS_END();
  { IStatusCallback::Session session(0, 1, L"nothing"); }
}

TEST(EachStaticReachesItsSlotWithItsArguments) {
  Recorder r;
  CHECK(IStatusCallback::HasInstance());
  IStatusCallback::STATUS(7u, 70);
  ViaList(7u, 70);
  IStatusCallback::STATUS(L"%s=%d", L"a", 1);
  IStatusCallback::STATUS_TEMP(5u, 50);
  CHECK(!IStatusCallback::STATUS_COUNT(2.5));
  CHECK(!IStatusCallback::STATUS_INC(0.5));
  IStatusCallback::STATUS_INIT(8u, 80);
  IStatusCallback::STATUS_INIT(L"init %d", 9);
  IStatusCallback::STATUS_INIT_TEXT(L"100%");
  IStatusCallback::STATUS_INIT_ZOR_RES_STRING(11u, 110);
  IStatusCallback::STATUS_INIT_ZOR_RES_STRING(L"res %d", 12);
  IStatusCallback::STATUS_MODE(13, 2, true);
  CHECK(IStatusCallback::STATUS_PARENT(reinterpret_cast<HWND>(8)) == reinterpret_cast<HWND>(8));
  IStatusCallback::STATUS_STOP();
  CHECK(!IStatusCallback::STATUS_GET_ABORT());
  IStatusCallback::STATUS_BEGIN(0, 10, 17u, 170);
  IStatusCallback::STATUS_BEGIN(0, 10, L"begin %d", 18);
  IStatusCallback::STATUS_END();
  CHECK(!IStatusCallback::STATUS_TEXT(3, L"text %d", 20));
  IStatusCallback::STATUS_BEGIN_ZOR_RES_STRING(0, 1, 21u, 210);
  CHECK(!IStatusCallback::STATUS_TEXT_INFO(L"info"));
  CHECK(!IStatusCallback::STATUS_TEXT_WARNING(L"warning"));
  CHECK(!IStatusCallback::STATUS_TEXT_ERROR(L"error"));
  IStatusCallback::STATUS_TEXT_MODE(25, 1);
  IStatusCallback::TOOLTIP_TEXT(L"tip");
  IStatusCallback::TOOLTIP_SHOW(true);
  IStatusCallback::STATUS_ERROR(28u, 280);
  IStatusCallback::STATUS_ERROR(L"e%d", 29);
  IStatusCallback::STATUS_MESSAGE(30u, 300);
  IStatusCallback::STATUS_MESSAGE(L"m%d", 31);
  IStatusCallback::STATUS_WARNING(32u, 320);
  IStatusCallback::STATUS_WARNING(L"w%d", 33);
  const std::vector<std::wstring> expected = {
      L"3:#7,70", L"3:#7,70", L"4:a=1", L"5:#5,50", L"6:2.500000", L"7:0.500000", L"8:#8,80",
      L"9:init 9", L"10:100%", L"11:#11,110", L"12:res 12", L"13:13,2,1", L"14", L"15", L"16",
      L"17:0.000000,10.000000", L"17:#17,170", L"18:0.000000,10.000000,begin 18", L"19",
      L"20:3,text 20", L"21:#21,210", L"22:info", L"23:warning", L"24:error", L"25:25,1",
      L"26:tip", L"27:1", L"28:#28,280", L"29:e29", L"30:#30,300", L"31:m31", L"32:#32,320",
      L"33:w33"};
  CHECK(r.calls == expected);
}

TEST(SessionBracketsOneBeginAndOneEnd) {
  Recorder r;
  { IStatusCallback::Session session(1, 5, L"work"); }
  CHECK(r.calls == (std::vector<std::wstring>{L"18:1.000000,5.000000,work", L"19"}));
  r.throw_on_end = true;
  { IStatusCallback::Session session(0, 1, L"again"); }  // the end's exception stays inside
  CHECK_EQUAL(4u, r.calls.size());
}

TEST(ImplementationMayWithdrawDuringACall) {
  Recorder r;
  r.withdraw_on_count = true;
  IStatusCallback::STATUS_COUNT(1);
  CHECK(!IStatusCallback::HasInstance());
  CHECK(IStatusCallback::STATUS_COUNT(2));
  CHECK_EQUAL(1u, r.calls.size());
}

TEST(DelegateShowsProgressThroughTheCallback) {
  Recorder r;
  ProgressToStatusCallback::ProgressDelegate delegate;
  delegate.OnProgressStart(ProgressInfo("zero", 0, 0.5));
  delegate.OnProgressUpdate(ProgressInfo("zero", 0, 0.5));
  delegate.OnProgressUpdate(ProgressInfo("quarter", 200, 0.25));
  r.abort = true;
  CHECK(delegate.IsProgressAborted());
  delegate.OnProgressEnd(ProgressInfo("quarter", 200, 1));
  const std::vector<std::wstring> expected = {L"18:0.000000,0.000000,zero", L"6:0.000000",
                                              L"6:50.000000", L"16", L"19"};
  CHECK(r.calls == expected);
}

TEST(SiblingProgressReachesTheCallbackThroughTheInstalledFactory) {
  Recorder r;
  {
    ProgressDelegateProvider::ScopedProgress progress("\xe9t\xe9", 4);  // widened byte by byte
    progress.Update(1);
    CHECK(!progress.IsAborted());
  }
  const std::vector<std::wstring> expected = {L"18:0.000000,4.000000,\u00e9t\u00e9", L"6:1.000000",
                                              L"16", L"19"};
  CHECK(r.calls == expected);
}

}
