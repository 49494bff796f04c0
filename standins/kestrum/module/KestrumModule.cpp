// The component library's exports: the class factory and registration of the control.
#include "platform/com/InprocServer.h"
#include "standins/kestrum/KestrumCtrl.h"

namespace {
const InprocClassEntry kClasses[] = {
    {&kestrum::CLSID_KestrumCtrl, &kestrum::sim::CKestrumCtrl::CreateInstance,
     kestrum::sim::CKestrumCtrl::RegistryScript(), 0},
};
}  // namespace

TESSALY_INPROC_SERVER(kClasses)
