#include "lon/LonDeviceTreeObject.h"

#include "lon/LonGuiLinks.h"
#include "lon/LonHost.h"

CString CLonDeviceTreeObject::GetName() {
  CLonHost* host = GetLonHost();
  if (host == nullptr || !host->HasDocument()) return CString();
  return host->GetRootName();
}

int CLonDeviceTreeObject::ShowProperties() {
  CLonHost* host = GetLonHost();
  CLonGuiLinks* links = GetLonGuiLinks();
  if (host == nullptr || !host->HasDocument() || links == nullptr) return 2;
  return links->ShowDeviceProperties();
}
