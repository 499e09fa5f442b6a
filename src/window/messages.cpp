// Voxmend: the window's message boxes and questions, and its words for the engine's answers.
#include "window/messages.h"

#include <cstdarg>
#include <cstdio>
#include <string>

void ShowMessage(const char* text)
{
    MessageBoxA(hwndApp, text, szAppName, MB_OK);
}

// A message whole, however long the paths in it.
struct MessageText {
    std::string text;
    MessageText(const char* format, va_list args)
    {
        va_list again;
        va_copy(again, args);
        int n = vsnprintf(NULL, 0, format, args);
        text.resize(n > 0 ? (size_t)n : 0);
        vsnprintf(&text[0], text.size() + 1, format, again);
        va_end(again);
    }
};

void ShowMessageF(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    MessageText m(format, args);
    va_end(args);
    ShowMessage(m.text.c_str());
}

// The program's questions: Yes or No, with the question icon.
BOOL AskYesNo(const char* text)
{
    return MessageBoxA(hwndApp, text, szAppName, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

BOOL AskYesNoF(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    MessageText m(format, args);
    va_end(args);
    return AskYesNo(m.text.c_str());
}

const char* ProblemText(vox::BankError e)
{
    switch (e) {
    case vox::BankError::Open: return "it cannot be opened";
    case vox::BankError::Read: return "it cannot be read";
    case vox::BankError::Short: return "it is shorter than its directory says";
    case vox::BankError::CountDiffers: return "its header does not count the sounds that were loaded";
    case vox::BankError::NotBackToBack: return "its sounds do not lie back to back right behind the directory";
    case vox::BankError::EndsEarly: return "the file ends before its last sound";
    case vox::BankError::TooLarge: return "the new bank would be too large";
    default: return "the new sound cannot be stored in it";
    }
}

std::string SoundNumbers(const std::vector<long>& sounds)
{
    std::string out = sounds.size() == 1 ? "Sound " : "Sounds ";
    for (size_t i = 0; i < sounds.size() && i < 10; i++) {
        if (i > 0)
            out += i + 1 == sounds.size() ? " and " : ", ";
        out += std::to_string(sounds[i]);
    }
    if (sounds.size() > 10)
        out += " and " + std::to_string(sounds.size() - 10) + " more";
    return out;
}

void ReportInTheWay(const std::string& fresh)
{
    ShowMessageF("%s is in the way. Move or rename it and try again; the bank is unchanged.", fresh.c_str());
}
