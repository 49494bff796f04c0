// Resource ids and texts of the project document: its two document templates, its commands,
// its menus, dialogs and prompts.
#pragma once

#include "platform/win32/WinTypes.h"

// Document templates (string resources of the "\n"-separated document strings).
constexpr UINT IDR_TESSALY_TYPE = 128;    // the configuration workspace
constexpr UINT IDR_GROUPITEM_TYPE = 337;  // the OPC diagnostics workspace

constexpr UINT IDS_ROOT_NAME = 320;                 // "Edit property and start"
constexpr UINT IDS_CLIENTS_CONNECTED_EXIT = 325;    // "OPC Clients are currently connected ..."
constexpr UINT IDS_CLIENTS_CONNECTED_CHANGE = 326;  // "Cannot change files while ..."
constexpr UINT IDS_PRODUCT_BANNER = 327;           // two lines: name and version, legal notice

// "Properties..." of the views (Ctrl+Enter).
constexpr UINT ID_EDIT_PROPERTIES = 32771;

// Commands of the document.
constexpr UINT ID_CONTROL_MONITOR = 32772;
constexpr UINT ID_FILE_IMPORT = 32790;
constexpr UINT ID_CONTROL_START = 32793;
constexpr UINT ID_CONTROL_OPTIONS = 32794;
constexpr UINT ID_CONTROL_STOP = 32799;
constexpr UINT ID_DIAG_OPTIONS = 32835;
constexpr UINT ID_DIAG_NI_STATUS = 32837;
constexpr UINT ID_HELP_ABOUT_KESTRUM = 32840;
constexpr UINT ID_DIAG_VNI_STATISTICS = 32841;
// The status pane of the transmit-timer adjustment.
constexpr UINT ID_INDICATOR_TXTIMER = 318;

constexpr UINT IDR_TREE_CONTEXT_MENU = 310;  // sub-menus 1 "Device", 2 "Router", 3 "Tag"
constexpr UINT IDD_DEVICE_DIALOG = 107;
constexpr UINT IDD_VNI_STATISTICS = 363;

// The update hints the document sends its views.
enum DocUpdateHint : LPARAM {
  HintAll = 0,
  HintOpcTreeRebuild = 1,
  HintSelectionChanged = 2,
  HintNameChanged = 4,
  // The device tree or the diagnostics tree is about to be deleted: views let go of its objects.
  HintDeviceTreeGoing = 5,
  HintOpcTreeEmptied = 5,
  HintObjectAdded = 11,
  HintObjectRemoved = 12,
  HintMonitoringOn = 13,
  HintMonitoringOff = 14,
  HintOpcItemsColumns = 319,
};

// The message that refreshes the main window's properties pane.
constexpr UINT WM_UPDATE_PROPERTIES = WM_APP + 0x103;
// The window timer of the transmit-timer adjustment.
constexpr UINT ID_TIMER_TXTIMER = 100;

// Enters the texts above into the executable's string table (once).
void RegisterProjectStrings();
