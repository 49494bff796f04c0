#include "project/OPCGroupTreeObject.h"

CTreeObject* COPCGroupTreeObject::CreateObject(const wchar_t* name) {
  auto* object = new COPCGroupTreeObject();
  object->SetName(name);
  return object;
}
