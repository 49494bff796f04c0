// The root of the device tree, named by the document's root name.
#pragma once

#include "lon/DefaultObject.h"

class CLonDeviceTreeObject : public CDefaultObject {
 public:
  CLonDeviceTreeObject() { m_nType = TreeObjectDeviceRoot; }
  CString GetName() override;
  int ShowProperties() override;
};
