// Unix sockets of server instances and the start of a server executable through LocalServer32.
// Plain POSIX, called on the caller's thread (never the loop's): connecting may mean starting a
// server and waiting for it.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "platform/com/ComTypes.h"

namespace tessaly::rpc {

// <machine root>/rpc, made owner-only; TESSALY_RPC_DIRECTORY names another (tests that run side
// by side under one machine root, each with servers of its own).
std::string RpcDirectory();
// A connected socket, or -1 when nothing listens there.
int ConnectUnixSocket(const std::string& path);
// A listening socket (owner-only) at path; a stale socket file is replaced. -1 when another
// live server listens there already or the socket cannot be made.
int ListenUnixSocket(const std::string& path);

// The words of a LocalServer32 command line ("quoted parts" stay one word).
std::vector<std::string> SplitCommandLine(const std::string& line);

// Connects to path; when nothing answers, starts the class's LocalServer32 with -Embedding
// (one starter at a time per class) and waits up to timeout for its socket. *fd gets the socket.
// REGDB_E_CLASSNOTREG without LocalServer32, CO_E_SERVER_EXEC_FAILURE when the program cannot be
// started or its class object never comes.
HRESULT ConnectOrStartServer(REFCLSID clsid, const std::string& path, std::chrono::milliseconds timeout, int* fd);

}  // namespace tessaly::rpc
