#pragma once

#include <string>

namespace tessaly {

enum class MsgIcon { None, Information, Exclamation, Question, Critical };
enum class MsgButtons { Ok, OkCancel, YesNo };
enum class MsgAnswer { Ok, Cancel, Yes, No };

// The prompts and dialogs the program shows. The window gets one of these;
// tests hand it a fake that answers from a script and records every call.
// Texts are UTF-8; paths are native bytes.
class Toolkit {
  public:
    virtual ~Toolkit() = default;

    // Modal; always titled with the program title.
    virtual MsgAnswer messageBox(const std::string& text, MsgIcon icon, MsgButtons buttons) = 0;

    // The save dialog. `filter` is description|pattern pairs joined by '|'.
    // Returns the chosen full file name, or "" on cancel.
    virtual std::string saveFileName(const std::string& title, const std::string& filter,
                                     const std::string& initialFolder) = 0;

    // The user's documents folder (native bytes): where the save dialog opens
    // before anything was saved.
    virtual std::string documentsFolder() = 0;

    // The folder picker. Returns the chosen folder's path, or "" on cancel
    // or for an item that is not a folder on disk.
    virtual std::string pickFolder(const std::string& title) = 0;

    // Replaces the clipboard's content with plain text.
    virtual void setClipboardText(const std::string& text) = 0;
};

// What the desktop shell does for the program: it opens addresses in the
// default browser and files in their associated program, and shows a file's
// properties.
class Shell {
  public:
    virtual ~Shell() = default;
    // An address is opened exactly as given, never completed or guessed at;
    // a file is named by its absolute path.
    virtual void open(const std::string& addressOrPath) = 0;
    virtual void showProperties(const std::string& path) = 0;
};

}  // namespace tessaly
