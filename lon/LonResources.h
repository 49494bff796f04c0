// The string table of the device model: protocol texts of the network events and writes, the
// router side captions and the item property descriptions.
#pragma once

#include "platform/win32/WinTypes.h"

enum : UINT {
  IDS_SCAN_DOMAIN = 342,
  IDS_SCAN_DOMAIN_EMPTY = 343,
  IDS_SCAN_LOADING = 344,
  IDS_ROUTER_NEAR_SIDE = 345,
  IDS_ROUTER_FAR_SIDE = 346,
  IDS_SCAN_FINISHED = 355,
  IDS_SERVICE_PIN = 356,
  IDS_NV_ERROR_EVENT = 361,
  IDS_NV_VALUE_EVENT = 362,
  IDS_WRITE_SUCCEEDED = 363,
  IDS_WRITE_FAILED = 364,
  IDS_LIFECHECK_EVENT = 369,
  IDS_PROP_CANONICAL_TYPE = 51035,
  IDS_PROP_VALUE = 51036,
  IDS_PROP_QUALITY = 51037,
  IDS_PROP_TIMESTAMP = 51038,
  IDS_PROP_ACCESS_RIGHTS = 51039,
  IDS_PROP_DESCRIPTION = 51040,
  IDS_PROP_SCAN_RATE = 51041,
};

// Registers the table once; every user in this folder calls it before a lookup.
void RegisterLonResources();
