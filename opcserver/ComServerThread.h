// The COM server thread: it owns the registration of one instance's class object while clients
// may connect and, when it ends, shuts the connected clients down in order.
#pragma once

#include "platform/win32/WinTypes.h"

class CLoggingFile;
class COpcServerPropertiesManager;

// Starts the thread for instance (0 to 16): it enters the multithreaded apartment, registers the
// class object for local and remote clients, multiple use, and serves its message queue until
// WM_QUIT. Its handle and id go into properties. False when no thread could be started, the
// instance is out of range, or properties has a running thread already. Failures to enter the apartment or to register are written to log.
bool StartComServerThread(COpcServerPropertiesManager& properties, int instance, CLoggingFile* log = nullptr);

// Ends the thread and joins it: the class object is revoked first, so no client arrives during
// the shutdown, then connected clients are asked to shut down, and those still connected after
// a bounded wait are cut off. Returns the thread's exit code (0, or the HRESULT of a failed
// apartment entry); handle and id in properties are cleared. Nothing to do gives 0.
DWORD StopComServerThread(COpcServerPropertiesManager& properties);

// Sends "Exiting Server" to every connected client's IOPCShutdown sinks, waits up to
// firstWaitMs and then up to secondWaitMs more for the clients to release their servers, and
// disconnects the servers still alive after that (their clients' later calls fail with
// RPC_E_DISCONNECTED). No lock is held while a client is called.
void ShutdownClients(unsigned firstWaitMs = 100, unsigned secondWaitMs = 1000);

// The thread's procedure; its parameter is made by StartComServerThread.
DWORD ComServerThreadProc(LPVOID parameter);
