#include "opcserver/OpcBusyCount.h"

std::atomic<LONG> g_nOpcBusyCount{0};

void LowerOpcBusyCount() {
  LONG value = g_nOpcBusyCount.load();
  while (value > 0 && !g_nOpcBusyCount.compare_exchange_weak(value, value - 1)) {
  }
}

DWORD NewOpcHandle() {
  static std::atomic<DWORD> next{0};
  DWORD h;
  do h = ++next;
  while (h == 0);
  return h;
}
