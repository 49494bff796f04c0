// The checks and small computations of the options pages, apart from their windows.
#pragma once

#include <array>

#include "platform/win32/CString.h"

namespace options {

// The sixteen timer values (ms) of the "Repeat timer" and "TxTimer" combos, by timer index.
constexpr std::array<int, 16> kTimerValues = {16, 24, 32, 48, 64, 96, 128, 192, 256, 384, 512, 768, 1024, 1536, 2048, 3072};

// "TxTimer too short!": with more than one parallel transaction the TxTimer must be at least
// 8 times the throttle interval plus 40 ms.
bool IsTxTimerTooShort(int parallelTransactions, int txTimerIndex, int throttleMs);

// "Protocol window": the refusal text of Apply, empty when the values are taken.
CString CheckProtocolWindow(int linesMax, int linesOpt, bool saveLog, const CString& path);
// Spin ranges: the optimum's upper bound follows the maximum and the other way round.
inline int OptimumUpperBound(int linesMax) { return linesMax - 1000; }
inline int MaximumLowerBound(int linesOpt) { return linesOpt + 1000; }

// The "Protocol" mask with the bits of mask `bits` set from `checked` (other bits kept).
int ApplyProtocolBits(int protocol, int bits, int checked);
// "Show/hide columns": the mask of the twelve boxes.
int ColumnMask(const std::array<bool, 12>& shown);

// "Timing": whether the selected setting may be deleted.
bool CanDeleteTimingSetting(bool interactive, const CString& selected, const CString& actual, size_t count);

// Parses a whole decimal number within [low, high]; false for anything else.
bool ParseRangedInt(const CString& text, int low, int high, int& value);

}  // namespace options
