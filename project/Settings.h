// Every setting of the server in one record inside the project document. Display and protocol
// settings live in the registry (section "Settings" of the instance's key), the network and
// project settings in the project file inside "configuration". Each change of a text or pair
// through the setters marks the document modified.
//
// OPC threads read `Protocol` and `monitorNVs` (atomics) and the texts through the getters,
// which take the record's lock; the GUI thread writes.
#pragma once

#include <atomic>

#include "foundation/shared/MyCriticalSection.h"
#include "platform/win32/CString.h"

class CDocument;
class CXmlArchive;

struct CPortChannel {
  CString m_strPort;
  CString m_strChannel;

  friend bool operator==(const CPortChannel&, const CPortChannel&) = default;
};

// One {value, text} pair of an enumeration table; the table ends with value -1.
struct CEnumText {
  int value;
  const wchar_t* text;
};
extern const CEnumText g_dbModeTexts[];          // 0 "Auto" ... 3 "UploadNew"
extern const CEnumText g_backNameCompTexts[];    // 0 "2.08", 1 "2.12", 2 "2.2x"
extern const CEnumText g_monitorNVsTexts[];      // 0 "selected", 1 "all"
// The table's text, or the value as "%d".
CString EnumValueToText(const CEnumText* table, int value);
// Exact and case-sensitive, white space around the text ignored; -1 for a text the table lacks.
int EnumTextToValue(const CEnumText* table, const CString& text);

class CSettings {
 public:
  // The defaults, then the registry section, then root name from string resource 320.
  explicit CSettings(CDocument* doc);
  // Writes the registry section.
  ~CSettings();
  CSettings(const CSettings&) = delete;
  CSettings& operator=(const CSettings&) = delete;

  void ReadRegistry();
  void WriteRegistry();
  // The XML form in the archive's mode, inside the current element; version is the root's.
  void Serialize(CXmlArchive& ar, int version);

  CString GetDbPath() const;
  CString GetRootName() const;
  CString GetSaveLogPath() const;
  CString GetTimersCfg() const;
  CPortChannel GetNetworkInterface() const;
  CPortChannel GetHostNode() const;
  CString GetDbModeText() const;

  // Store the new value; a change marks the document modified.
  void SetString(CString& field, const CString& text);
  void SetPortChannel(CPortChannel& field, const CPortChannel& value);
  void SetNetworkInterface(const CString& port, const CString& channel);
  void SetHostNode(const CString& port, const CString& channel);

  CDocument* m_pDoc;
  std::atomic<int> monitorNVs{1};
  int backTypeComp = 0;
  int backNameComp = 2;
  int TimeTextStyle = 0;
  int BrowseSubfields = 1;
  std::atomic<int> Protocol{1023};
  int OpcItemsTable = 4095;
  int ProtocolLinesMax = 3000;
  int ProtocolLinesDiff = 1000;
  int MinDiskSpace = 50;
  CString saveLogPath;
  int disablingNodesOn = 1;
  int timeOffset = 60;
  int retry = 3;
  int useNvSelfdoc = 0;
  int debugTrace = 0;
  int hideWindow = 0;
  bool saveLog = false;
  CString ni_timers_cfg = L"FTT-10";
  int automTxTimerUpdateOn = 1;
  int updatePeriod = 10000;
  int txAuxilliaryWaitTime = 0;
  int dbmode = 0;
  CString dbpath;
  CPortChannel network_interface;
  CPortChannel hostnode;
  CString rootname = L"Edit property and start";

 private:
  void MarkModified();
  template <class T>
  T Locked(const T& field) const {
    CMyCriticalSectionLock lock(m_lock);
    return field;
  }
  // True when the value changed.
  template <class T>
  bool Store(T& field, const T& value) {
    CMyCriticalSectionLock lock(m_lock);
    if (field == value) return false;
    field = value;
    return true;
  }
  mutable CMyCriticalSection m_lock;  // the texts and pairs
};
