// Ids, texts and update hints of the configuration workspace's views and dialogs.
#pragma once

#include "platform/win32/WinTypes.h"
#include "project/ProjectResource.h"

constexpr UINT IDS_DOMAIN0_NOT_HEX = 321;        // "Domain0 must be hexadecimal: 1, 3, 6"
constexpr UINT IDS_DOMAIN1_NOT_HEX = 322;        // "Domain1 must be hexadecimal: 1, 3, 6"
constexpr UINT IDS_INIT_ALL_TIMEOUTS = 323;      // "This command will set the timeout ..."
constexpr UINT IDS_CLIENTS_CONNECTED_NODE = 358; // "OPC Clients are currently connected ..."
constexpr UINT IDS_DELETE_NODE = 359;            // "Do you really want to delete the node?"
constexpr UINT IDS_NV_NOT_WRITABLE = 360;        // "The network variable is not writable. ..."
constexpr UINT IDS_NEURON_ID_INVALID = 371;      // a replacement's Neuron ID that is no Neuron ID

// Commands of the device and tag views.
constexpr UINT ID_NODE_DELETE = 32773;
constexpr UINT ID_TAG_MULTIPLE_SETTING = 32778;
constexpr UINT ID_TAG_CHANGE_VALUE = 32788;
constexpr UINT ID_NODE_SHOW_STATUS = 32791;
constexpr UINT ID_NODE_REPLACE = 32810;
constexpr UINT ID_NODE_ACTIVE = 32839;

// The update hints between the views, besides the document's own (HintSelectionChanged, 2, is
// the document's).
enum ConfigViewHint : LPARAM {
  HintReloadTree = 1,
  HintRefreshValues = 3,
  HintInactiveChanged = 8,
  HintTagRemoved = 9,
  HintTagAdded = 10,
};

// The main window's properties pane: what the refresh message's wParam says.
constexpr WPARAM kPropertiesSelection = 2;
constexpr WPARAM kPropertiesChanged = 4;

// The tag view's timer while monitoring runs.
constexpr UINT ID_TIMER_TAG_VALUES = 45000;
constexpr UINT kTagValuesPeriodMs = 600;

void RegisterConfigViewStrings();
