// "Salva": the output box's text to a file of the user's choice, byte for byte.
#include "app/app.h"

#include "dialogs/dialogs.h"
#include "fileio/fileio.h"
#include "text/text.h"

#include <commdlg.h>

#include <cstddef>
#include <optional>
#include <string>
#include <utility>

namespace {

// The name that the next Save dialog proposes: the last one chosen.
std::string SaveFileNameText;

constexpr const char* kSaveTitle = "Salvataggio frasi generate";

// Why a file could not be written, in the program's language.
const char* ErrorReason(uint8_t error) {
    switch (error) {
    case kInvalidArgument:
        return "Il nome del file non \xE8 valido.";
    case kOutOfMemory:
        return "Memoria insufficiente.";
    case kFileNotFound:
        return "Il file non \xE8 stato trovato.";
    case kDiskFull:
        return "Il disco \xE8 pieno.";
    case kBadFileName:
    case kPathFileAccessError:
        return "Il nome del file non \xE8 valido o il percorso non \xE8 accessibile.";
    case kTooManyFiles:
        return "Ci sono troppi file aperti.";
    case kDeviceUnavailable:
        return "Il dispositivo non \xE8 disponibile.";
    case kPermissionDenied:
        return "Accesso negato: il file \xE8 protetto o in uso da un altro programma.";
    case kDiskNotReady:
        return "Il disco non \xE8 pronto.";
    case kDiskMediaError:
        return "Errore del supporto: il disco non si lascia scrivere.";
    case kPathNotFound:
        return "La cartella non esiste.";
    default:
        return nullptr;
    }
}

// The deleted file is still open in another program that lets others delete it: the name
// leads to that same file, which vanishes once the other program lets go of it.
constexpr const char* kReplacedFileHeld =
    "Il file \xE8 in uso da un altro programma e non pu\xF2 essere sostituito: riprovare "
    "quando l'altro programma lo avr\xE0 chiuso.";

void ShowSaveError(HWND owner, const std::string& fileName, const std::string& reason) {
    const std::string message =
        "Impossibile salvare le frasi nel file\r\n" + fileName + "\r\n\r\n" + reason;
    MessageBoxA(owner, message.c_str(), kSaveTitle, MB_OK | MB_ICONERROR);
}

void ShowSaveError(HWND owner, const std::string& fileName, uint8_t error) {
    const char* reason = ErrorReason(error);
    ShowSaveError(owner, fileName,
                  reason != nullptr ? std::string(reason)
                                    : "Errore di scrittura n. " + std::to_string(error) + ".");
}

} // namespace

const std::string& SaveFileName() {
    return SaveFileNameText;
}

void SetSaveFileName(std::string name) {
    SaveFileNameText = std::move(name);
}

int32_t AskSaveFileName(HWND owner, std::string title, std::string& fileName,
                        std::string initialDirectory, std::string filter,
                        std::string defaultExtension, uint32_t& flags) {
    // "description|pattern" pairs become NUL-separated, ending in two NULs.
    for (char& c : filter) {
        if (c == '|') {
            c = '\0';
        }
    }
    filter += '\0';

    if (initialDirectory.empty()) {
        char current[MAX_PATH + 1] = {};
        const DWORD length = GetCurrentDirectoryA(MAX_PATH, current);
        initialDirectory.assign(current, length <= MAX_PATH ? length : 0);
    }

    // The proposed name, then room for the answer: MAX_PATH + 1 characters, or
    // MAX_PATH when the name holds a NUL of its own.
    std::string buffer = fileName.substr(0, MAX_PATH);
    const std::size_t nul = buffer.find('\0');
    if (nul == std::string::npos) {
        buffer += '\0';
        buffer.append(MAX_PATH - (buffer.size() - 1), ' ');
    } else {
        buffer.resize(nul + 1);
        buffer.append(MAX_PATH - (nul + 1), ' ');
    }

    // Room for the chosen name without its folder, which the dialog fills in;
    // the command goes by the full path in buffer.
    char fileTitle[MAX_PATH] = {};
    OPENFILENAMEA record{};
    // The record up to lpTemplateName, the form that every version of the
    // dialog takes.
    record.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    record.hwndOwner = owner;
    record.lpstrFilter = filter.c_str();
    record.nFilterIndex = 1;
    record.lpstrFile = buffer.data();
    record.nMaxFile = static_cast<DWORD>(buffer.size());
    record.lpstrFileTitle = fileTitle;
    record.nMaxFileTitle = sizeof fileTitle;
    record.lpstrInitialDir = initialDirectory.c_str();
    record.lpstrTitle = title.empty() ? nullptr : title.c_str();
    record.Flags = flags;
    record.lpstrDefExt = defaultExtension.empty() ? nullptr : defaultExtension.c_str();

    const int32_t result = GetSaveFileNameA(&record);

    const std::size_t end = buffer.find('\0');
    fileName = end == std::string::npos ? std::string() : buffer.substr(0, end);
    flags = record.Flags;
    return result;
}

void SaveCommand(HWND mainWindow) {
    const std::string text = DlgGetText(DlgItemHandle(mainWindow, kOutputBox));
    if (TrimTrailingSpaces(TrimLeadingSpaces(text)).empty()) {
        return;
    }
    uint32_t flags = 0;
    if (AskSaveFileName(mainWindow, kSaveTitle, SaveFileNameText, ".", "Files txt|*.txt", "txt",
                        flags) == 0) {
        return;
    }

    // The file that the delete is about to remove: the open must not find it again.
    const std::optional<FileIdentity> replaced = DeletableFileIdentity(SaveFileNameText);
    PendingError pending;
    DeleteMatchingFiles(pending, SaveFileNameText);
    // Deleted without error and yet still there: the delete only doomed the file, which another
    // program holds open. (A new file may reuse a deleted one's index, so the name is looked at
    // before the open creates anything.)
    const bool doomed = replaced.has_value() && PeekError(pending) == kNoError &&
                        DeletableFileIdentity(SaveFileNameText) == replaced;
    ClearError(pending); // a file that was not there, or stayed, is no failure yet
    const int16_t number = NextFileNumber();
    OpenForWriting(pending, number, SaveFileNameText);
    if (const uint8_t error = TakeError(pending); error != kNoError) {
        ShowSaveError(mainWindow, SaveFileNameText, error);
        return;
    }
    if (doomed && OpenFileIdentity(number) == replaced) {
        // The open found the doomed file: the text written now would vanish with it once the
        // other program closes it. The box keeps the text.
        CloseFile(pending, number);
        ShowSaveError(mainWindow, SaveFileNameText, kReplacedFileHeld);
        return;
    }
    WriteText(pending, number, text);
    // A file that the delete left in place keeps no old bytes after the text.
    if (PeekError(pending) == kNoError) {
        EndFileHere(pending, number);
    }
    const uint8_t writeError = TakeError(pending);
    CloseFile(pending, number);
    const uint8_t error = writeError != kNoError ? writeError : TakeError(pending);
    if (error != kNoError) {
        ShowSaveError(mainWindow, SaveFileNameText, error);
    }
}
