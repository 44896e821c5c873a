// The library's load and unload steps, in one place and in one order. Each step runs when the
// shared object is loaded (before the host's main) and is undone in reverse order when it is
// unloaded. Steps are added here, in the order of concern below, as their subsystems land:
//   1. register the log4cxx class of the log window appender
//   2. default company "!TestCompany" and product name (executable base name) of the settings keys
//   3. the empty CRC table lists and the one help wrapper
//   4. the structured-exception translator of the loading thread
//   5. the process-wide user unit in millimetres
//   6. the progress-delegate factory of the sibling library
//   7. the library's own self tests
#include <zorbase/library_init.h>

#include <zorbase/crypto/COXCRC16.h>
#include <zorbase/crypto/COXCRC32.h>
#include <zorbase/desktop/CHtmlHelpWrapper.h>
#include <zorbase/desktop/internal/help_log.h>
#include <zorbase/logging/LogWindowAppender.h>
#include <zorbase/logging/internal/OutputDebugStringAppender.h>
#include <zorbase/platform/html_help.h>
#include <zorbase/progress/ProgressToStatusCallback.h>
#include <zorbase/selftest/internal/builtin_registry.h>
#include <zorbase/settings/internal/settings_internal.h>
#include <zorbase/system/MMExceptionTranslator.h>
#include <zorbase/units/MUserUnit.h>

#include <memory>

// 3. The one help wrapper, without subtraction of the help-id bases. Like the user unit below, a
// static member defined here, before the object that runs the other steps.
CHtmlHelpWrapper CHtmlHelpWrapper::mg_htmlhelpwrapper __attribute__((init_priority(65000)))(false);

// 5. The process-wide user unit, in millimetres; constructing it sets the sibling library's
// conversion factor to 1.0. It is a static member, so it is defined here, just before the object
// that runs the other steps, and destroyed just after that object has undone them.
MUserUnit MUserUnit::mg_user_unit __attribute__((init_priority(65000)))(MUserUnit::UNIT_MM);

namespace zb {
namespace {

struct LibraryLifetime {
  LibraryLifetime() {
    // 1. log4cxx classes of the library's appenders, so configuration files can name them.
    LogWindowAppender::registerClass();
    zb::logging_internal::OutputDebugStringAppender::registerClass();
    // 2. default company and product name of the settings keys
    zb::settings_internal::SetSettingsDefaults();
    // 3. The CRC table lists are constant-initialised empty lists; nodes are added on first use.
    // The help wrapper (above) finds the library's help viewer by its file name, and the
    // viewer's text pop-ups go to the application's log.
    zb::platform::RegisterHtmlHelpModule();
    zb::platform::SetHelpTextSink(&zb::desktop_internal::LogHelpText);
    // 4. processor faults of the loading thread become MException objects
    translator_.reset(new MMExceptionTranslator());
    // 5. (the user unit above)
    // 6. the sibling library asks the status-callback bridge for its progress delegates
    ProgressDelegateProvider::SetSharedProvider([](const ProgressInfo& info) {
      return ProgressToStatusCallback::ProgressDelegateFactory::mg_instance.CreateDelegate(info);
    });
    // 7. the library's own self tests, in the library's own list that RunLibraryTests runs.
    zb::selftest_internal::RegisterBuiltinSelfTests();
  }
  ~LibraryLifetime() {
    // 6. the bridge is withdrawn: the sibling library gets no delegates from this library
    ProgressDelegateProvider::SetSharedProvider(ProgressDelegateProvider::Factory());
    // 4. the translator that was installed before comes back; no fault handler is left pointing
    // into the unloaded library.
    translator_.reset();
    zb::platform::RemoveFaultHandlers();
    // 3. Every CRC table node is freed; the viewer's text pop-ups no longer reach the log.
    zb::platform::SetHelpTextSink(nullptr);
    COXCRC32::m_tableList.RemoveAll();
    COXCRC16::m_tableList.RemoveAll();
  }

  std::unique_ptr<MMExceptionTranslator> translator_;
};

// Constructed during the library's static initialisation; destroyed when it unloads.
LibraryLifetime g_library_lifetime __attribute__((init_priority(65000)));

}  // namespace

bool LibraryLoaded() { return true; }

}  // namespace zb
