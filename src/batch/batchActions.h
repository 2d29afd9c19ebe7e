// pelmar-batch's command line: options, the document, the actions run on it.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// Exit statuses.
inline constexpr int kBatchOk = 0;
inline constexpr int kBatchUsage = 1;
inline constexpr int kBatchLoadFailed = 2;
inline constexpr int kBatchSaveFailed = 3;
// An editing action failed: an editor command or a search raised.
inline constexpr int kBatchActionFailed = 4;
// --strict refused a save that would have written characters as "?".
inline constexpr int kBatchSaveLossy = 5;

// Runs one command line (without the program name); output goes to `out`, messages to `err`.
int RunBatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
