// The interfaces that can cross a process, by IID: how to make a proxy for a capability and a
// stub for an interface pointer. Adding an interface is a schema interface, a proxy, a stub and
// one registration (see ComMarshalers.cpp for the pattern).
#pragma once

#include <capnp/capability.h>

#include <memory>

#include "platform/com/ComTypes.h"

namespace tessaly::rpc {

class CConnectionContext;
class CStubRef;

struct Marshaler {
  IID iid;
  // Loop thread: a proxy with one reference for a capability of this interface.
  IUnknown* (*makeProxy)(capnp::Capability::Client cap, const std::shared_ptr<CConnectionContext>& connection);
  // Loop thread: the stub capability for an interface pointer of this IID.
  capnp::Capability::Client (*makeStub)(std::shared_ptr<CStubRef> ref,
                                        const std::shared_ptr<CConnectionContext>& connection);
  // Sinks of clients: a call that gets no answer in the callback time-out fails.
  bool callback = false;
};

void RegisterMarshaler(const Marshaler& marshaler);
// Null when the interface cannot cross.
const Marshaler* FindMarshaler(REFIID iid);

// The marshaler of an interface with proxy class P (constructor (Client, connection)) and stub
// class S (constructor (ref, connection)) of schema interface W.
template <class W, class P, class S>
Marshaler MakeMarshaler(REFIID iid, bool callback = false) {
  Marshaler m;
  m.iid = iid;
  m.makeProxy = [](capnp::Capability::Client cap, const std::shared_ptr<CConnectionContext>& connection) -> IUnknown* {
    return static_cast<IUnknown*>(new P(cap.castAs<W>(), connection));
  };
  m.makeStub = [](std::shared_ptr<CStubRef> ref,
                  const std::shared_ptr<CConnectionContext>& connection) -> capnp::Capability::Client {
    return typename W::Client(kj::heap<S>(std::move(ref), connection));
  };
  m.callback = callback;
  return m;
}

// The platform's own interfaces: IUnknown, IClassFactory, the connection points, the
// enumerators, IDataObject and IAdviseSink (once per process; later calls do nothing).
void RegisterComMarshalers();
void RegisterDataMarshalers();

}  // namespace tessaly::rpc
