#include "platform/rpc/LocalServer.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "platform/com/ComErrors.h"
#include "platform/com/Guid.h"
#include "platform/win32/MachineRoot.h"
#include "platform/win32/Registry.h"
#include "platform/win32/TextConv.h"

extern char** environ;

namespace tessaly::rpc {

namespace {

// A socket address for path. Paths longer than sun_path (deep machine roots) go through the
// directory opened as a file descriptor: /proc/self/fd/N/name.
class CSocketAddress {
 public:
  explicit CSocketAddress(const std::string& path) {
    std::memset(&m_addr, 0, sizeof(m_addr));
    m_addr.sun_family = AF_UNIX;
    std::string use = path;
    if (path.size() >= sizeof(m_addr.sun_path)) {
      size_t slash = path.rfind('/');
      m_dir = ::open(path.substr(0, slash).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
      if (m_dir >= 0) use = "/proc/self/fd/" + std::to_string(m_dir) + path.substr(slash);
    }
    m_ok = use.size() < sizeof(m_addr.sun_path);
    if (m_ok) std::memcpy(m_addr.sun_path, use.c_str(), use.size() + 1);
  }
  ~CSocketAddress() {
    if (m_dir >= 0) ::close(m_dir);
  }
  CSocketAddress(const CSocketAddress&) = delete;
  CSocketAddress& operator=(const CSocketAddress&) = delete;
  bool Ok() const { return m_ok; }
  const sockaddr* Addr() const { return reinterpret_cast<const sockaddr*>(&m_addr); }
  socklen_t Length() const { return sizeof(m_addr); }

 private:
  sockaddr_un m_addr;
  int m_dir = -1;
  bool m_ok = false;
};

std::wstring ReadLocalServer32(REFCLSID clsid) {
  std::wstring value;
  HKEY key = nullptr;
  std::wstring sub = L"CLSID\\" + GuidToString(clsid) + L"\\LocalServer32";
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, sub.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return value;
  tessaly::win32::RegQueryString(key, nullptr, value);
  RegCloseKey(key);
  return value;
}

// Starts the program detached (its own session, reparented to init, so no zombie is left and
// it outlives this client). False when it could not be executed.
bool StartDetached(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  int pipefd[2];
  if (::pipe2(pipefd, O_CLOEXEC) != 0) return false;
  pid_t child = ::fork();
  if (child < 0) {
    ::close(pipefd[0]);
    ::close(pipefd[1]);
    return false;
  }
  if (child == 0) {
    ::setsid();
    pid_t grandchild = ::fork();
    if (grandchild == 0) {
      int devnull = ::open("/dev/null", O_RDONLY);
      if (devnull >= 0) {
        ::dup2(devnull, 0);
        ::close(devnull);
      }
      ::execve(argv[0], argv.data(), environ);
      int err = errno;
      ssize_t written = ::write(pipefd[1], &err, sizeof(err));
      (void)written;
      ::_exit(127);
    }
    ::_exit(grandchild < 0 ? 1 : 0);
  }
  ::close(pipefd[1]);
  int status = 0;
  ::waitpid(child, &status, 0);
  int err = 0;
  ssize_t got;
  do {
    got = ::read(pipefd[0], &err, sizeof(err));
  } while (got < 0 && errno == EINTR);
  ::close(pipefd[0]);
  return got == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class CFileLock {
 public:
  explicit CFileLock(const std::string& path) : m_fd(::open(path.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0600)) {
    if (m_fd >= 0) {
      while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
      }
    }
  }
  ~CFileLock() {
    if (m_fd >= 0) ::close(m_fd);  // closing lets go of the lock
  }
  CFileLock(const CFileLock&) = delete;
  CFileLock& operator=(const CFileLock&) = delete;

 private:
  int m_fd;
};

}  // namespace

std::string RpcDirectory() {
  const char* chosen = ::getenv("TESSALY_RPC_DIRECTORY");
  std::string dir = chosen && *chosen ? std::string(chosen) : tessaly::win32::GetMachineRoot() + "/rpc";
  ::mkdir(dir.c_str(), 0700);
  ::chmod(dir.c_str(), 0700);
  return dir;
}

int ConnectUnixSocket(const std::string& path) {
  CSocketAddress addr(path);
  if (!addr.Ok()) return -1;
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  int rc;
  do {
    rc = ::connect(fd, addr.Addr(), addr.Length());
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

int ListenUnixSocket(const std::string& path) {
  int live = ConnectUnixSocket(path);
  if (live >= 0) {
    ::close(live);
    return -1;
  }
  ::unlink(path.c_str());
  CSocketAddress addr(path);
  if (!addr.Ok()) return -1;
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return -1;
  mode_t old = ::umask(0077);
  int rc = ::bind(fd, addr.Addr(), addr.Length());
  ::umask(old);
  if (rc != 0 || ::chmod(path.c_str(), 0600) != 0 || ::listen(fd, SOMAXCONN) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

std::vector<std::string> SplitCommandLine(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false, any = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (any) words.push_back(word);
      word.clear();
      any = false;
    } else {
      word += c;
      any = true;
    }
  }
  if (any) words.push_back(word);
  return words;
}

HRESULT ConnectOrStartServer(REFCLSID clsid, const std::string& path, std::chrono::milliseconds timeout, int* fd) {
  *fd = ConnectUnixSocket(path);
  if (*fd >= 0) return S_OK;
  std::wstring command = ReadLocalServer32(clsid);
  if (command.empty()) return REGDB_E_CLASSNOTREG;
  std::vector<std::string> args = SplitCommandLine(WideToUtf8(command));
  if (args.empty()) return REGDB_E_CLASSNOTREG;
  args.push_back("-Embedding");

  // One client starts the server; the others wait here and then find its socket.
  CFileLock lock(path + ".lock");
  *fd = ConnectUnixSocket(path);
  if (*fd >= 0) return S_OK;
  if (!StartDetached(args)) return CO_E_SERVER_EXEC_FAILURE;
  auto deadline = std::chrono::steady_clock::now() + timeout;
  auto pause = std::chrono::milliseconds(2);
  for (;;) {
    *fd = ConnectUnixSocket(path);
    if (*fd >= 0) return S_OK;
    if (std::chrono::steady_clock::now() >= deadline) return CO_E_SERVER_EXEC_FAILURE;
    std::this_thread::sleep_for(pause);
    if (pause < std::chrono::milliseconds(50)) pause *= 2;
  }
}

}  // namespace tessaly::rpc
