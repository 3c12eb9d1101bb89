#pragma once

#include "live/LiveFormRules.h"

#include <string>

namespace veltrane {

class Prompts;

// How data files are named: directory + prefix + three-digit sequence + ".dat". The fields
// live in the view's settings; these rules fill them in.
namespace datafilenaming {

inline constexpr int kMaxSequence = 999;
inline constexpr std::size_t kMaxDesignator = 5;

// The integer value of the leading digits of text (0 when there are none).
int LeadingNumber(const std::string& text);
// "%0.3d"
std::string SequenceText(int number);
// The file-dialog rule: the name without its four-character extension is at most five characters.
bool DesignatorTooLong(const std::string& fileName);
// "The file <path> already exists.\n\nDo you want to replace it?"
std::string ReplaceQuestion(const std::string& path);
// The highest sequence among files in directory named prefix + three characters + ".dat" (case
// ignored; three characters that are not a number count 0); 0 when there are none.
int HighestSequence(const std::string& directory, const std::string& prefix);

// Something is at path, a link pointing nowhere included.
bool NameTaken(const std::string& path);
bool IsLink(const std::string& path);

// Takes a chosen name and its full path: keeps the operator's own number, or takes the next
// free number for the prefix; then asks about replacing an existing file. False when the
// sequence is used up (the fields are cleared) or the operator refused the replacement.
bool SetDataFile(LiveViewSettings& settings, std::string name, const std::string& path, Prompts& prompts);
// The replace question for prefix + sequence (a link is refused with its message); on No the directory,
// prefix and sequence are cleared and the file name keeps its previous value.
bool ConfirmDataFile(LiveViewSettings& settings, Prompts& prompts);
// The next sequence number whose file does not exist yet; the maximum message (fields cleared)
// when 999 is passed.
bool AdvanceSequence(LiveViewSettings& settings, Prompts& prompts);

// The working directory with a trailing separator.
std::string WorkingDirectory();

} // namespace datafilenaming
} // namespace veltrane
