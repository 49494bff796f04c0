// The protocol's line for a client connection that the process boundary cut off.
#pragma once

#include "platform/rpc/ConnectionObserver.h"
#include "platform/win32/CString.h"

class COpcConnectionEvents : public tessaly::rpc::IConnectionObserver {
 public:
  COpcConnectionEvents();
  // Hands a text event to the protocol; never waits.
  void OnStalledClientDropped(size_t queuedBytes) override;

  // "512 bytes", "48 KiB", "3.5 MiB".
  static CString SizeText(size_t bytes);
};
