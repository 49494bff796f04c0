#include "views/models/ConfigViewResource.h"

#include <mutex>

#include "platform/win32/Resources.h"

void RegisterConfigViewStrings() {
  static std::once_flag once;
  std::call_once(once, [] {
    static const StringResource kStrings[] = {
        {IDS_DOMAIN0_NOT_HEX, L"Domain0 must be hexadecimal: 1, 3, 6"},
        {IDS_DOMAIN1_NOT_HEX, L"Domain1 must be hexadecimal: 1, 3, 6"},
        {IDS_INIT_ALL_TIMEOUTS,
         L"This command will set the timeout\nof all NVs to the default value!\n\nDo you want to continue?"},
        {IDS_CLIENTS_CONNECTED_NODE,
         L"OPC Clients are currently connected to this server. Disconnect them first."},
        {IDS_DELETE_NODE, L"Do you really want to delete the node?"},
        {IDS_NV_NOT_WRITABLE, L"The network variable is not writable. Check its direction."},
        {IDS_NEURON_ID_INVALID, L"A Neuron ID has 12 hexadecimal digits."},
    };
    RegisterStringResourcesIn(nullptr, kStrings, std::size(kStrings));
  });
}
