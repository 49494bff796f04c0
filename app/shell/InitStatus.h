// How the program was started; fixed once the command line is read.
#pragma once

enum StartMode {
  StartModeInteractive = 1,
  StartModeEmbedding = 2,   // a COM client launched the server
  StartModeAutomation = 3,
  StartModeRun = 4,         // the "Run" switch: unattended, window shown
};

class CInitStatus {
 public:
  int m_nStartMode = StartModeInteractive;

  bool IsStartedByClient() const { return m_nStartMode == StartModeEmbedding || m_nStartMode == StartModeAutomation; }
  bool IsUnattendedStart() const { return m_nStartMode >= StartModeEmbedding && m_nStartMode <= StartModeRun; }
};
