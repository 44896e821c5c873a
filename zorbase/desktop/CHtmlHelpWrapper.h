// CHtmlHelpWrapper: the application's entry to compiled HTML help. It turns the framework's help
// requests (context ids of commands, dialogs, prompts and controls, or a help request for a
// control) into calls of the HTML Help viewer "hhctrl.ocx", shows text pop-ups for controls
// registered as text-only, opens named topics, the tutorial and the getting-started tips, and can
// announce each help id for help authors.
//
// The viewer is found through its class registration (HKEY_CLASSES_ROOT\CLSID\{ADB880A6-D8FF-
// 11CF-9377-00AA003B7A11}\InprocServer32) or else by name, and its entry point by ordinal; the
// library provides it (<zorbase/platform/html_help.h>). Without a viewer every display call does
// nothing. Files are the application object's help-file path (AfxGetApp()), "tutorial.chm" and
// "GettingStarted.chm" beside it; settings are in the application's profile, section "Tip":
// "showid" (non-zero: announce every id), "current" (the next tip's context id, from 32768),
// "StartUp" (1: show the getting-started tips at start-up). There is no window to show messages
// in: announcements go to the application's log plug-in at Info level, as text pop-ups do.
//
// Help-id ranges: below 0x20000 commands ("Normal menuitem", base 0x10000), 0x20000 dialogs
// ("Normal dialog"), 0x30000 prompts ("Normal prompt"), 0x40000 the non-client area (ignored by
// ShowHelp(data, command), "Context HTML" for help requests), 0x50000 and above controls ("Normal
// control", nothing subtracted); text pop-ups are announced as "Context Text". Calls from the
// thread that owns the application object.
#pragma once

#include <vector>

#include <zorbase/afx/CString.h>
#include <zorbase/platform/export.h>
#include <zorbase/platform/html_help.h>
#include <zorbase/platform/win_types.h>

class ZORBASE_API CHtmlHelpWrapper {
 public:
  explicit CHtmlHelpWrapper(bool subtractHids);
  CHtmlHelpWrapper(const CHtmlHelpWrapper& other);
  CHtmlHelpWrapper& operator=(const CHtmlHelpWrapper& other);
  virtual ~CHtmlHelpWrapper();

  // The process-wide wrapper, made at library load with subtractHids false.
  static CHtmlHelpWrapper* Instance();

  // Whether the framework's help-id bases are subtracted before an id goes to the viewer.
  void SetSubtractHids(bool subtract);
  bool GetSubtractHids() const;

  // Each non-null argument replaces its helper path. Non-empty helper paths stand in for the
  // application object's registry key (p1), profile name (p2) and help-file path (p3) while the
  // "showid" setting is read.
  void SetHelperRegistryPaths(const wchar_t* p1, const wchar_t* p2, const wchar_t* p3);

  // Controls whose help is a text pop-up.
  void AddToTextOnly(const int& controlId);
  bool IsTextOnlyHelp(const int& controlId);

  // The framework's help call. With the help-context command (15), `data` is a help id: one of
  // the non-client area returns 0 and shows nothing; otherwise its base is subtracted when set
  // (an id below its base is passed as it is), the viewer shows that context id and it is
  // announced; 1. With any other command the viewer shows the topic `data` names (0: the default
  // topic); 1.
  int ShowHelp(unsigned long long data, unsigned int command);
  // Help for a control: a text-only control gets the pop-up of its context id from the help
  // file's "Help.txt" at the mouse position (a static label, id 0xFFFF, nothing); any other the
  // viewer's topic for its context id, unchanged. 1; 0 for a null request.
  int ShowHelp(HELPINFO* info);
  // Opens help-file path + "::/" + topic (+ ">" + window when one is given). 1.
  int ShowTopic(const wchar_t* topic, const wchar_t* window);
  // Opens "tutorial.chm" in the help file's folder at its default topic.
  void ShowTutorial();
  // Shows the tip "current" of "GettingStarted.chm" in the help file's folder and stores the
  // next one; when the viewer refuses that id, shows 32768 and stores 32769 (32768 when that
  // fails too), so the tips come in turn and wrap to the first.
  void ShowGettingStarted();
  // Whether the "StartUp" setting is 1; the setter writes 1 or 0.
  bool ShowGettingStartedAtStartup();
  void SetShowGettingStartedAtStartup(const bool& show);

  static CHtmlHelpWrapper mg_htmlhelpwrapper;

 protected:
  std::vector<int> textOnlyIds;
  CString helperPath1;
  CString helperPath2;
  CString helperPath3;
  bool subtractHids;

 private:
  // Announces `id` as kind `kind` when "showid" is set (read with the helper paths in place).
  void _ShowID(const int& kind, const long long& id);
};
