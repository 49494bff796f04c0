// The command ids in wx's id space: wx refuses menu ids from 0x7FFF up, where most of ours lie.
#pragma once

#include "app/shell/ShellCommands.h"

inline int WxIdOfCommand(int command) {
  if (command >= 57344) return command - 40000;  // 57600.. -> 17600..
  if (command >= 32768) return command - 20000;  // 32771.. -> 12771..
  return command;
}

inline int CommandOfWxId(int id) {
  if (id >= 17344 && id < 25536) return id + 40000;
  if (id >= 12768 && id < 17344) return id + 20000;
  return id;
}
