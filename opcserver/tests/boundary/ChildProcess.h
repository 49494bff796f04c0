// A program the boundary tests start: its pid, its standard input and output as pipes.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

class CChildProcess {
 public:
  explicit CChildProcess(const std::vector<std::string>& args) {
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    m_in = in[1];
    m_out = out[0];
  }
  ~CChildProcess() {
    CloseInput();
    if (m_pid > 0 && !m_reaped) {
      ::kill(m_pid, SIGKILL);
      ::waitpid(m_pid, nullptr, 0);
    }
    if (m_out >= 0) ::close(m_out);
  }
  CChildProcess(const CChildProcess&) = delete;
  CChildProcess& operator=(const CChildProcess&) = delete;

  pid_t Pid() const { return m_pid; }
  void Write(const std::string& text) {
    ssize_t written = ::write(m_in, text.data(), text.size());
    (void)written;
  }
  void CloseInput() {
    if (m_in >= 0) ::close(m_in);
    m_in = -1;
  }
  void Kill() { ::kill(m_pid, SIGKILL); }
  // Its exit status (-1 when killed by a signal).
  int Wait() {
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_reaped = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  // Reads its output until text appears (false when it does not within the guard).
  bool ReadUntil(const std::string& text, std::chrono::milliseconds guard = std::chrono::seconds(30)) {
    auto deadline = std::chrono::steady_clock::now() + guard;
    char buffer[4096];
    while (m_seen.find(text) == std::string::npos) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      pollfd p{m_out, POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
      ssize_t n = ::read(m_out, buffer, sizeof(buffer));
      if (n <= 0) return false;
      m_seen.append(buffer, static_cast<size_t>(n));
    }
    return true;
  }
  // Everything it wrote until it closed its output.
  std::string ReadAll() {
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(m_out, buffer, sizeof(buffer))) > 0) text.append(buffer, static_cast<size_t>(n));
    return text;
  }

 private:
  pid_t m_pid = -1;
  int m_in = -1, m_out = -1;
  bool m_reaped = false;
  std::string m_seen;  // what ReadUntil read
};

// Waits (10 s at most, a failure guard) until done() holds; the condition is the observed event.
template <class F>
bool WaitUntil(F done, std::chrono::milliseconds guard = std::chrono::seconds(10)) {
  auto deadline = std::chrono::steady_clock::now() + guard;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}
