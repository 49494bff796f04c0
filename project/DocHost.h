// What the project document asks of the application and its windows: the start mode, the
// close guard, the main window (owner of the transmit-timer adjustment's timer), the debug
// log, the server instance, and the dialogs and menus the document opens. The application
// implements it; with none set the document runs as in an interactive start with no windows:
// every dialog counts as cancelled.
#pragma once

#include <vector>

#include "foundation/KxTimer.h"
#include "foundation/LonAddress.h"
#include "platform/com/ComTypes.h"
#include "platform/win32/CString.h"

class CDoc;
class CLoggingFile;

// What the "Device Properties" dialog shows and edits.
struct CDeviceDialogRecord {
  CString m_strName;
  CString m_strChannel;
  CString m_strPort;
  CString m_strDbMode;
  CString m_strDbPath;
  CString m_strInterfaceName;
  CLonAddress m_domains[2];
};

class CDocHost {
 public:
  virtual ~CDocHost() = default;
  // 1 interactive, 2 embedding, 3 automation, 4 "Run".
  virtual int GetStartMode() = 0;
  // True while OPC clients are connected.
  virtual bool HasConnectedClients() = 0;
  // The close guard: asks while clients are connected; true when the close may go on.
  virtual bool CanClose() = 0;
  // The main window; null before it exists.
  virtual IKxTimerOwner* GetMainWindow() = 0;
  // The application's log file; null when it has none.
  virtual CLoggingFile* GetLogFile() = 0;
  virtual int GetServerInstance() = 0;
  // Records the project as this instance's last one.
  virtual void SetLastProjectPath(const CString& path) = 0;
  // The options sheet on that page (-1: the page shown last).
  virtual void ShowOptions(int page) = 0;
  virtual int RunDeviceDialog(CDeviceDialogRecord& record) = 0;
  virtual void ShowNiStatusSheet(const CString& title, IDispatch* configuration) = 0;
  virtual void ShowVniStatistics(CDoc* doc) = 0;
  virtual void ShowContextMenu(UINT menuId, int subMenu, POINT point) = 0;
};

// Null until the application sets it; set and cleared on the GUI thread only.
void SetDocHost(CDocHost* host);
CDocHost* GetDocHost();
// The host's log file; null without a host or a log.
CLoggingFile* GetDocHostLogFile();
