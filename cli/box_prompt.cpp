#include "cli/box_prompt.h"

#include "platform/win32_ui.h"

#include <iostream>

namespace cli {

std::vector<Choice> ButtonsOf(UINT flags) {
    switch (flags & 0xF) {
    case MB_OKCANCEL:
        return {{"ok", IDOK}, {"cancel", IDCANCEL}};
    case MB_YESNOCANCEL:
        return {{"yes", IDYES}, {"no", IDNO}, {"cancel", IDCANCEL}};
    case MB_YESNO:
        return {{"yes", IDYES}, {"no", IDNO}};
    default:
        return {{"ok", IDOK}};
    }
}

std::optional<std::string> ReadAnswerLine(const std::string& prompt) {
    std::cerr << prompt << std::flush;
    std::string line;
    if (!std::getline(std::cin, line)) {
        std::cerr << "\n";
        return std::nullopt;
    }
    return line;
}

int AskForButton(const std::vector<Choice>& buttons) {
    std::string prompt = "[";
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        prompt += (i > 0 ? "/" : "") + std::string(buttons[i].word);
    }
    prompt += "] ";
    for (;;) {
        std::optional<std::string> line = ReadAnswerLine(prompt);
        if (!line) {
            return 0;
        }
        for (const Choice& choice : buttons) {
            const std::string word = choice.word;
            if (*line == word || (line->size() == 1 && (*line)[0] == word[0])) {
                return choice.button;
            }
        }
    }
}

} // namespace cli
