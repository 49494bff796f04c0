// The project document: opens a project file (XML .tdbx, or an older .tdb that it converts),
// keeps the settings, owns the LON access (it is the database manager), starts and stops the
// network, owns the device tree and the OPC diagnostics tree, and keeps that tree current from
// the OPC protocol events. At most one exists; other parts reach it through GetDoc.
//
// Everything runs on the GUI thread. OPC threads reach the document only through GetDoc under
// GetDocLock (the destructor clears the singleton under that lock before anything goes) and
// through its CLonHost reads, which are atomic or taken under the settings' lock.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "foundation/EventsManager.h"
#include "foundation/KxTimer.h"
#include "lon/LonDatabaseManager.h"
#include "lon/LonDeviceTreeObject.h"
#include "lon/LonHost.h"
#include "platform/afx/Document.h"
#include "project/OPCDiagRootObject.h"
#include "project/Settings.h"

class CFrameWnd;
class COPCTagsBranch;
class CTreeObject;
struct CTmSetting;

class CDoc : public CDocument, public CLonDatabaseManager, public CProtocolEventObserver, public CLonHost {
 public:
  CDoc();
  ~CDoc() override;

  // The open document, null when none exists. From another thread: only under GetDocLock.
  static CDoc* GetDoc();
  static CMyCriticalSection& GetDocLock();

  // ---- the framework's operations ----
  // The older binary form: storing writes the class and version only; loading reads a whole
  // device record and then takes it over into the settings.
  void Serialize(CArchive& ar) override;
  BOOL IsModified() override;
  void SetModifiedFlag(BOOL modified = TRUE) override;
  // Opening a file does not clear the document.
  void DeleteContents() override {}
  BOOL OnNewDocument() override;
  BOOL OnOpenDocument(LPCTSTR path) override;
  BOOL OnSaveDocument(LPCTSTR path) override { return SaveXml(path); }
  // The XML form; asks nothing.
  LONG WriteDocumentFile(LPCTSTR path) override;
  void OnCloseDocument() override;
  BOOL CanCloseFrame(CFrameWnd* frame) override;
  // A converted .tdb keeps its .tdbx path when the framework sets the opened path again.
  void SetPathName(LPCTSTR path, BOOL addToMRU = TRUE) override;

  virtual void SerializeXml(CXmlArchive& ar);
  BOOL LoadXml(LPCTSTR path);
  BOOL SaveXml(LPCTSTR path);

  // ---- protocol events (the OPC server and group events) ----
  void Update(CSubjectTEx<CProtocolEvent*>* subject, CProtocolEvent* event) override;

  // ---- what the device model asks ----
  bool HasDocument() override { return true; }
  DWORD GetProtocolMask() override { return static_cast<DWORD>(m_settings.Protocol.load()); }
  int GetMonitorNVs() override { return m_settings.monitorNVs.load(); }
  CString GetRootName() override { return m_settings.GetRootName(); }
  int GetServerInstance() override;

  // ---- commands ----
  void OnFileImport();
  void OnStart();
  void OnStop();
  void OnMonitor();
  void OnOptions();
  void OnDiagOptions();
  void OnNiStatus();
  void OnVniStatistics();
  void OnAboutKestrum();
  void OnUpdateTxTimerPane(CCmdUI* ui);

  // ---- network ----
  bool StartNetwork(int mode, const CString& databasePath, const CString& interfaceName, const CString& hostName);
  bool Reconnect();
  void ResetDeviceTree();

  // ---- trees ----
  // The database manager's address space (built on first use, dropped on reconnect).
  COPCTagsBranch* GetRootTagGroup();
  void BuildOpcTree();
  int GetTreeImage(CTreeObject* object);
  static int GetTreeImageStatic(CTreeObject* object);
  bool IsInactive(CTreeObject* object);
  void ShowContextMenu(CTreeObject* object, POINT point);

  // ---- interfaces, transmit timer, device properties ----
  void GetNetworkInterfaces(std::vector<CString>& names);
  void SelectNetworkInterface(const CString& name);
  void SelectHostNodeInterface(const CString& name);
  CString GetNetworkInterfaceName();
  CString GetHostNodeInterfaceName();
  // One tick of window timer 100.
  void AutoAdjustTxTimer();
  void SetTxTimerIndex(int index);
  int OnDeviceProperties();

  // ---- accessors of the open document (nothing, or empty, without one) ----
  static CString GetDbPathSetting();
  static CString GetRootNameSetting();
  static CString GetSaveLogPathSetting();
  static CString GetTimersCfgSetting();
  static void SetLogging(bool on);
  static void SetDisablingNodes(int timeOffset, int retry, bool on);
  static void SelectTimingSettings(const CTmSetting& setting);
  static CString MakeDatedFileName();
  static bool IsNvProtocolEnabled();

  CLonDeviceTreeObject* m_pDeviceTree = nullptr;
  COPCDiagRootObject m_opcRoot;
  CSettings m_settings;
  int m_bMonitoring = 0;
  bool m_bOpcTreeBuilt = false;
  DWORD m_nLastLateAcks = 0;  // the control's counter is unsigned
  BYTE m_nTxTimerLow = 0;
  CKxTimer m_timer;

 private:
  void MapCommands();
  bool CanClose();
  bool IsUnattendedStart();
  void SetMonitoring(bool on);
  // OPC items' tags point into the node records that Connect deletes: they are let go here,
  // before every Connect and before the document goes.
  void DetachOpcTags();
  bool ConnectNetwork();
  // The port and channel of the named interface; empty ones when the control has none.
  CPortChannel FindInterfacePortChannel(const CString& name, bool& found);
  // Logs a failure of the kind `what` the first time it happens to this document.
  void LogOnce(const CString& what, const std::exception& error);

  CString m_strConvertedFrom;  // the .tdb a converted project was read from
  CLonHost* m_pPreviousLonHost = nullptr;
  std::set<std::wstring> m_loggedFailures;  // the kinds of failure logged already
};

// The XML form of a project inside the archive's root "configuration" (version 2 written;
// versions 1 and 2 read; 3 and more cause 7).
void SerializeProjectXml(CXmlArchive& ar, CSettings& settings);
// A project file's text into the settings; false when it is no project (a fuzz entry point).
bool LoadProjectFromText(const std::string& text, CSettings& settings);
