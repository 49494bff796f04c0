# The floor of the boundary benchmark: a bare call between the same two processes that carries
# as many bytes each way as the OPC call it stands beside.
@0x9f361368ffda90fb;

using Cxx = import "/capnp/c++.capnp";
$Cxx.namespace("tessaly::bench");

interface Echo {
  carry @0 (data :Data, replyBytes :UInt64) -> (data :Data);
}
