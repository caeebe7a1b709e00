// Message boxes answered at the terminal: the buttons a box offers, a line read after a
// prompt, and the question asked until one of the buttons is named.
#pragma once

#include "platform/win_types.h"

#include <optional>
#include <string>
#include <vector>

namespace cli {

struct Choice {
    const char* word;
    int button;
};

// The buttons a box of these flags offers, in the order they are asked for.
std::vector<Choice> ButtonsOf(UINT flags);

// Prints the prompt on standard error and reads a line; nothing at the end of the input.
std::optional<std::string> ReadAnswerLine(const std::string& prompt);

// Asks "[yes/no] " until a button's word or its first letter is typed; 0 at the end of the
// input, as for a box that was not shown.
int AskForButton(const std::vector<Choice>& buttons);

} // namespace cli
