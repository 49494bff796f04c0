// String resources of the application shell: the main window, the output pane, the options sheet.
#pragma once

#include "project/ProjectResource.h"

enum : UINT {
  IDS_OLE_INIT_FAILED = 100,
  IDS_TOOLBAR_STANDARD = 124,
  IDS_TOOLBAR_CUSTOMIZE = 125,
  IDS_OUTPUT_WND = 157,
  IDS_PROPERTIES_WND = 158,
  IDS_EDIT_MENU = 306,
  IDS_LINES_MAX_BELOW_OPT = 314,
  IDS_LINES_DIFF_TOO_SMALL = 315,
  IDS_NEW_TIMING_NAME = 316,
  IDS_TIMING_NAME_EXISTS = 317,
  IDS_OUTPUT_HEADER = 327,
  IDS_VENDOR_NAME = 328,
  IDS_SERVER_TITLE = 339,
  IDS_MODE_RUN = 340,
  IDS_MODE_CONFIG = 341,
  IDS_STATUS_CLIENTS = 357,
  IDS_LOGGING_STOPPED = 365,
  IDS_OUTPUT_CLEARED = 366,
  IDS_CUT_LOG_FAILED = 370,
};

// Idempotent; the program and the tests call it before anything asks for a text.
void RegisterShellResources();
