#include "platform/com/Memory.h"
#include "platform/com/ObjIdl.h"

void ReleaseStgMedium(STGMEDIUM* pmedium) {
  if (!pmedium) return;
  // A medium with pUnkForRelease belongs to that object: releasing it frees the data.
  if (pmedium->pUnkForRelease) {
    pmedium->pUnkForRelease->Release();
  } else {
    switch (pmedium->tymed) {
      case TYMED_HGLOBAL:
        if (pmedium->hGlobal) GlobalFree(pmedium->hGlobal);
        break;
      case TYMED_FILE:
        CoTaskMemFree(pmedium->lpszFileName);
        break;
      default:
        // Streams, storages and GDI objects are never handed out here.
        break;
    }
  }
  pmedium->tymed = TYMED_NULL;
  pmedium->hGlobal = nullptr;
  pmedium->pUnkForRelease = nullptr;
}
