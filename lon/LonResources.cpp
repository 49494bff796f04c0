#include "lon/LonResources.h"

#include <mutex>

#include "platform/win32/Resources.h"

namespace {
const StringResource kLonStrings[] = {
    {IDS_SCAN_DOMAIN, L"Domain: %s"},
    {IDS_SCAN_DOMAIN_EMPTY, L"Domain: <empty>"},
    {IDS_SCAN_LOADING, L"Neuron ID: %s    Node %d of %d"},
    {IDS_ROUTER_NEAR_SIDE, L"Near side"},
    {IDS_ROUTER_FAR_SIDE, L"Far side"},
    {IDS_SCAN_FINISHED, L"Scanning finished"},
    {IDS_SERVICE_PIN, L"Service pin received. Neuron ID: %s, Program ID: %s"},
    {IDS_NV_ERROR_EVENT, L"NV error event. NV: %s"},
    {IDS_NV_VALUE_EVENT, L"New NV value event. NV: %s, value = '%s'"},
    {IDS_WRITE_SUCCEEDED, L"Write value succeeded. NV: %s"},
    {IDS_WRITE_FAILED, L"Write value failed. NV: %s. (Cause: %s)"},
    {IDS_LIFECHECK_EVENT, L"Lifecheck event -> node: %s"},
    {IDS_PROP_CANONICAL_TYPE, L"Item Canonical DataType"},
    {IDS_PROP_VALUE, L"Item Value"},
    {IDS_PROP_QUALITY, L"Item Quality"},
    {IDS_PROP_TIMESTAMP, L"Item Timestamp"},
    {IDS_PROP_ACCESS_RIGHTS, L"Item Access Rights"},
    {IDS_PROP_DESCRIPTION, L"Item Description"},
    {IDS_PROP_SCAN_RATE, L"Server Scan Rate"},
};
}  // namespace

void RegisterLonResources() {
  static std::once_flag once;
  std::call_once(once, [] { RegisterStringResources(kLonStrings); });
}
