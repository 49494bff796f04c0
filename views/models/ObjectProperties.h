// The properties dialog of a device-tree object as the views open it.
#pragma once

#include "lon/DefaultObject.h"
#include "platform/com/DispatchDriver.h"

// Shows the object's dialog; a control call that fails on the way is shown to the user and the
// dialog counts as cancelled (0).
inline int ShowObjectProperties(CDefaultObject& object) {
  try {
    return object.ShowProperties();
  } catch (const COleDispatchException& e) {
    e.ReportError();
    return 0;
  }
}
