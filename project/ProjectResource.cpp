#include "project/ProjectResource.h"

#include <mutex>

#include "platform/win32/Resources.h"

void RegisterProjectStrings() {
  static std::once_flag once;
  std::call_once(once, [] {
    static const StringResource kStrings[] = {
        {IDR_TESSALY_TYPE,
         L"Dravik OPC Server\nTessaly\nTessaly\nTessaly Configuration Files (*.tdbx)\n.tdbx\nTessaly.Document\n"
         L"Tessaly.Document"},
        {IDR_GROUPITEM_TYPE, L"\nOPC Group/Items workspace\nOPC Group/Items workspace"},
        {IDS_ROOT_NAME, L"Edit property and start"},
        {IDS_CLIENTS_CONNECTED_EXIT, L"OPC Clients are currently connected to this server. Exit anyway?"},
        {IDS_CLIENTS_CONNECTED_CHANGE, L"Cannot change files while OPC Clients are connected to this server."},
        {IDS_PRODUCT_BANNER, L"Tarn OPC Server for LonWorks networks, version %s\n%s"},
    };
    RegisterStringResourcesIn(nullptr, kStrings, std::size(kStrings));
  });
}
